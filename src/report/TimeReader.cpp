#include "report/TimeReader.h"

#include "link/JournalTime.h"

TimeReader::TimeReader(const QLocale &locale)
    : TimeReader(JournalTime::format(locale), locale)
{
}

TimeReader::TimeReader(const QString &format, const QLocale &locale)
    : m_format(format)
    , m_locale(locale)
{
    bool quoted = false;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format.at(i);
        qsizetype n = 1;
        while (i + n < format.size() && format.at(i + n) == c)
            ++n;
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted) {
            switch (c.toLatin1()) {
            case 'd': m_names |= n > 2; m_tokens.append({Field::Day, int(n)}); break;
            case 'M': m_names |= n > 2; m_tokens.append({Field::Month, int(n)}); break;
            case 'y': m_tokens.append({Field::Year, int(n)}); break;
            case 'h': m_tokens.append({Field::Hour12, int(n)}); break;
            case 'H': m_tokens.append({Field::Hour24, int(n)}); break;
            case 'm': m_tokens.append({Field::Minute, int(n)}); break;
            case 's': m_tokens.append({Field::Second, int(n)}); break;
            case 'z': m_tokens.append({Field::Millisecond, int(n)}); break;
            case 'a':
            case 'A': m_tokens.append({Field::AmPm, int(n)}); break;
            default: break;
            }
        }
        i += n;
    }
    // "h" without "ap" is a 24-hour clock in QDateTime's formats.
    bool ampm = false;
    for (const Token &t : std::as_const(m_tokens))
        ampm |= t.field == Field::AmPm;
    for (Token &t : m_tokens) {
        if (t.field == Field::Hour12 && !ampm)
            t.field = Field::Hour24;
    }
}

QDateTime TimeReader::read(QStringView text) const
{
    if (m_names)
        return m_locale.toDateTime(text.toString(), m_format);
    QDate date;
    QTime time;
    return read(text, date, time) ? QDateTime(date, time) : QDateTime();
}

bool TimeReader::read(QStringView text, QDate &date, QTime &time) const
{
    if (m_names) {
        const QDateTime t = m_locale.toDateTime(text.toString(), m_format);
        date = t.date();
        time = t.time();
        return t.isValid();
    }
    int day = 1, month = 1, year = 1900, hour = 0, minute = 0, second = 0, ms = 0;
    int pm = -1;
    qsizetype i = 0;
    auto isDigit = [&text](qsizetype k) { return text[k] >= QLatin1Char('0') && text[k] <= QLatin1Char('9'); };
    for (const Token &t : m_tokens) {
        if (t.field == Field::AmPm) {
            while (i < text.size() && !text[i].isLetter())
                ++i;
            const qsizetype start = i;
            while (i < text.size() && text[i].isLetter())
                ++i;
            const QStringView word = text.mid(start, i - start);
            if (word.compare(m_locale.pmText(), Qt::CaseInsensitive) == 0)
                pm = 1;
            else if (word.compare(m_locale.amText(), Qt::CaseInsensitive) == 0)
                pm = 0;
            else
                return false;
            continue;
        }
        while (i < text.size() && !isDigit(i))
            ++i;
        const int most = t.field == Field::Year ? 4 : t.field == Field::Millisecond ? 3 : 2;
        int value = 0;
        int digits = 0;
        for (; i < text.size() && isDigit(i) && digits < most; ++i, ++digits)
            value = value * 10 + (text[i].unicode() - '0');
        if (digits == 0)
            return false;
        switch (t.field) {
        case Field::Day: day = value; break;
        case Field::Month: month = value; break;
        case Field::Year: year = digits <= 2 ? 2000 + value : value; break;
        case Field::Hour12:
        case Field::Hour24: hour = value; break;
        case Field::Minute: minute = value; break;
        case Field::Second: second = value; break;
        case Field::Millisecond: ms = value; break;
        case Field::AmPm: break;
        }
    }
    // No digits may follow: a longer number is no time of this format.
    for (; i < text.size(); ++i) {
        if (isDigit(i))
            return false;
    }
    if (pm >= 0) {
        if (hour < 1 || hour > 12)
            return false;
        hour = hour % 12 + (pm ? 12 : 0);
    }
    date = QDate(year, month, day);
    time = QTime(hour, minute, second, ms);
    return date.isValid() && time.isValid();
}
