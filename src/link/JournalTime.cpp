#include "link/JournalTime.h"

#include "common/Clock.h"

namespace {

// The format without its time-zone fields ("t" outside quotes) and the blanks
// that set them apart.
QString withoutTimeZone(const QString &format)
{
    QString out;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('t')) {
            while (out.endsWith(QLatin1Char(' ')))
                out.chop(1);
            continue;
        }
        out.append(c);
    }
    return out.trimmed();
}

} // namespace

namespace JournalTime {

QLocale programLocale()
{
    const QLocale system = QLocale::system();
    if (system.language() == QLocale::C)
        return QLocale(QLocale::Russian, QLocale::Russia);
    return system;
}

QString format(const QLocale &locale)
{
    return locale.dateFormat(QLocale::ShortFormat) + QLatin1Char(' ')
        + withoutTimeZone(locale.timeFormat(QLocale::LongFormat));
}

QString text(const QDateTime &when, const QLocale &locale)
{
    return locale.toString(when, format(locale));
}

namespace {

bool showsMilliseconds(const QString &format)
{
    bool quoted = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        else if (!quoted && c == QLatin1Char('z'))
            return true;
    }
    return false;
}

} // namespace

Writer::Writer(QLocale locale)
    : m_locale(std::move(locale))
    , m_format(format(m_locale))
    , m_bySecond(!showsMilliseconds(m_format))
{
}

QString Writer::operator()(const QDateTime &when)
{
    if (!m_bySecond || !when.isValid())
        return m_locale.toString(when, m_format);
    const QDate date = when.date();
    const int second = when.time().msecsSinceStartOfDay() / 1000;
    if (m_text.isNull() || second != m_second || date != m_date) {
        m_date = date;
        m_second = second;
        m_text = m_locale.toString(when, m_format);
    }
    return m_text;
}

QString Writer::now(const Clock &clock)
{
    return (*this)(m_bySecond ? clock.nowToTheSecond() : clock.now());
}

} // namespace JournalTime
