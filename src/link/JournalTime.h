#pragma once

#include <QDateTime>
#include <QLocale>

class Clock;

// The date and time of a journal row as the operator's regional settings
// write them: the short date, a blank, the long time without a time zone.
namespace JournalTime {

// The system's locale; the C (POSIX) locale gives Russian, the language of
// every text of the program.
QLocale programLocale();

// The format text() writes with; worth keeping by a caller that writes often.
QString format(const QLocale &locale);
QString text(const QDateTime &when, const QLocale &locale);

// text() for a caller that writes many rows: the format is made once and the
// text of a second is kept, since a scale streaming at line rate gives sixty
// rows in the same second.
class Writer
{
public:
    explicit Writer(QLocale locale);
    QString operator()(const QDateTime &when);
    // The text of the clock's time.
    QString now(const Clock &clock);

private:
    QLocale m_locale;
    QString m_format;
    bool m_bySecond; // the format shows nothing finer than seconds
    // The local date and second of the day of the text kept: the text shows
    // nothing else, and they are read without looking at the time zone.
    QDate m_date;
    int m_second = -1;
    QString m_text;
};

} // namespace JournalTime
