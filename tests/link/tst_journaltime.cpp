#include "link/JournalTime.h"

#include <QtTest>

class TstJournalTime : public QObject
{
    Q_OBJECT

private slots:
    void shortDateAndLongTime_data();
    void shortDateAndLongTime();
    void cLocaleGivesRussian();
    void writerKeepsTheTextOfASecond();
};

void TstJournalTime::shortDateAndLongTime_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QDateTime>("when");
    QTest::addColumn<QString>("text");

    const QDateTime morning(QDate(2024, 3, 5), QTime(9, 5, 7));
    const QDateTime midnight(QDate(2023, 12, 31), QTime(0, 0, 1));
    const QLocale ru(QLocale::Russian, QLocale::Russia);
    QTest::newRow("ru") << ru << morning << "05.03.2024 09:05:07";
    QTest::newRow("ru midnight") << ru << midnight << "31.12.2023 00:00:01";
    QTest::newRow("de") << QLocale(QLocale::German, QLocale::Germany) << morning << "05.03.24 09:05:07";
    QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates) << morning << "3/5/24 9:05:07 AM";
    // The time zone stands first in this locale's long time.
    QTest::newRow("zh_CN") << QLocale(QLocale::Chinese, QLocale::China) << morning << "2024/3/5 09:05:07";
}

void TstJournalTime::shortDateAndLongTime()
{
    QFETCH(QLocale, locale);
    QFETCH(QDateTime, when);
    QTEST(JournalTime::text(when, locale), "text");
}

void TstJournalTime::cLocaleGivesRussian()
{
    if (QLocale::system().language() != QLocale::C)
        QSKIP("the test runs under the C locale (LC_ALL=C.UTF-8)");
    QCOMPARE(JournalTime::programLocale().language(), QLocale::Russian);
    QCOMPARE(JournalTime::text(QDateTime(QDate(2024, 3, 5), QTime(9, 5, 7)), JournalTime::programLocale()),
             QStringLiteral("05.03.2024 09:05:07"));
}

// Rows a second apart, many in one second, across midnight: the writer
// gives what text() gives every time.
void TstJournalTime::writerKeepsTheTextOfASecond()
{
    const QLocale ru(QLocale::Russian, QLocale::Russia);
    JournalTime::Writer writer(ru);
    QDateTime when(QDate(2023, 12, 31), QTime(23, 59, 58, 0));
    for (int step = 0; step < 200; ++step) {
        QCOMPARE(writer(when), JournalTime::text(when, ru));
        when = when.addMSecs(17);
    }
    QCOMPARE(writer(when), QStringLiteral("01.01.2024 00:00:01"));
    QCOMPARE(writer(when.addSecs(-3600)), QStringLiteral("31.12.2023 23:00:01")); // the clock put back
    QCOMPARE(writer(QDateTime()), JournalTime::text(QDateTime(), ru));
}

QTEST_APPLESS_MAIN(TstJournalTime)
#include "tst_journaltime.moc"
