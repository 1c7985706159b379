#pragma once

#include <QDateTime>
#include <QLocale>

// The date and time of a journal row as the operator's regional settings
// write them: the short date, a blank, the long time without a time zone.
namespace JournalTime {

// The system's locale; the C (POSIX) locale gives Russian, the language of
// every text of the program.
QLocale programLocale();

// The format text() writes with; worth keeping by a caller that writes often.
QString format(const QLocale &locale);
QString text(const QDateTime &when, const QLocale &locale);

} // namespace JournalTime
