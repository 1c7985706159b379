#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QVector>

// Reads the "Время" cell of a journal row back into a date and time, by the
// format the recorder writes it with. Built once, it reads a million cells in
// well under a second: digit groups are taken in the format's order, the
// text between them is skipped, so no locale parsing runs per cell.
class TimeReader
{
public:
    explicit TimeReader(const QLocale &locale);
    // A reader of an explicit format (QDateTime's letters).
    TimeReader(const QString &format, const QLocale &locale);

    // An invalid QDateTime (local time) when the text is no date and time.
    QDateTime read(QStringView text) const;
    // The same without making a QDateTime (whose local-time rules are slow
    // for a million cells); false when the text is no date and time.
    bool read(QStringView text, QDate &date, QTime &time) const;

private:
    enum class Field : char { Day, Month, Year, Hour12, Hour24, Minute, Second, Millisecond, AmPm };
    struct Token {
        Field field;
        int width; // letters in the format: yy or yyyy, z or zzz
    };
    QVector<Token> m_tokens;
    QString m_format;
    QLocale m_locale;
    bool m_names = false; // the format names months or days: read by QLocale
};
