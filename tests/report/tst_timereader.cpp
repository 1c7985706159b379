#include "link/JournalTime.h"
#include "report/TimeReader.h"

#include <QTest>

// Reading a row's "Время" cell back: the format the recorder writes, other
// formats, and texts that are no date and time.
class TestTimeReader : public QObject
{
    Q_OBJECT

private slots:
    void readsWhatTheRecorderWrites()
    {
        const QLocale russian(QLocale::Russian, QLocale::Russia);
        const QDateTime when(QDate(2026, 12, 7), QTime(9, 5, 3));
        QCOMPARE(TimeReader(russian).read(JournalTime::text(when, russian)), when);
    }

    void formats_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDateTime>("expected");
        const QDateTime t(QDate(2026, 3, 4), QTime(13, 7, 9));
        QTest::newRow("russian") << "dd.MM.yyyy H:mm:ss" << "04.03.2026 13:07:09" << t;
        QTest::newRow("one-digit fields") << "d.M.yyyy H:mm:ss" << "4.3.2026 13:07:09" << t;
        QTest::newRow("two-digit year") << "dd.MM.yy HH:mm:ss" << "04.03.26 13:07:09" << t;
        QTest::newRow("us with pm") << "M/d/yyyy h:mm:ss AP" << "3/4/2026 1:07:09 PM" << t;
        QTest::newRow("iso") << "yyyy-MM-dd HH:mm:ss" << "2026-03-04 13:07:09" << t;
        QTest::newRow("month name") << "d MMMM yyyy HH:mm:ss" << "4 March 2026 13:07:09" << t;
        QTest::newRow("no time") << "dd.MM.yyyy H:mm:ss" << "" << QDateTime();
        QTest::newRow("text") << "dd.MM.yyyy H:mm:ss" << "вчера" << QDateTime();
        QTest::newRow("day 32") << "dd.MM.yyyy H:mm:ss" << "32.03.2026 13:07:09" << QDateTime();
        QTest::newRow("hour 25") << "dd.MM.yyyy H:mm:ss" << "04.03.2026 25:07:09" << QDateTime();
        QTest::newRow("missing seconds") << "dd.MM.yyyy H:mm:ss" << "04.03.2026 13:07" << QDateTime();
        QTest::newRow("digits beyond") << "dd.MM.yyyy H:mm:ss" << "04.03.2026 13:07:09 77" << QDateTime();
    }
    void formats()
    {
        QFETCH(QString, format);
        QFETCH(QString, text);
        QFETCH(QDateTime, expected);
        QCOMPARE(TimeReader(format, QLocale(QLocale::English, QLocale::UnitedStates)).read(text), expected);
    }
};

QTEST_GUILESS_MAIN(TestTimeReader)
#include "tst_timereader.moc"
