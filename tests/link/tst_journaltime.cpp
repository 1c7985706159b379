#include "link/JournalTime.h"
#include "support/FixedClock.h"

#include <QtTest>

#include <ctime>

class TstJournalTime : public QObject
{
    Q_OBJECT

private slots:
    void shortDateAndLongTime_data();
    void shortDateAndLongTime();
    void cLocaleGivesRussian();
    void writerKeepsTheTextOfASecond();
    void writerTakesTheClock_data();
    void writerTakesTheClock();
    void systemClockToTheSecond();
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

// The writer asks the clock for the second alone; the text is the one of the
// whole time, whatever the milliseconds, and follows a clock put back.
void TstJournalTime::writerTakesTheClock_data()
{
    QTest::addColumn<QList<QDateTime>>("times");
    const QDate day(2024, 3, 5);
    QTest::newRow("within a second") << QList<QDateTime>{QDateTime(day, QTime(9, 5, 7, 0)),
                                                         QDateTime(day, QTime(9, 5, 7, 999))};
    QTest::newRow("next second") << QList<QDateTime>{QDateTime(day, QTime(9, 5, 7, 999)),
                                                     QDateTime(day, QTime(9, 5, 8, 1))};
    QTest::newRow("midnight") << QList<QDateTime>{QDateTime(day, QTime(23, 59, 59, 500)),
                                                  QDateTime(day.addDays(1), QTime(0, 0, 0, 20))};
    QTest::newRow("same time, next day") << QList<QDateTime>{QDateTime(day, QTime(9, 5, 7, 5)),
                                                             QDateTime(day.addDays(1), QTime(9, 5, 7, 5))};
    QTest::newRow("put back") << QList<QDateTime>{QDateTime(day, QTime(9, 5, 7, 5)),
                                                  QDateTime(day, QTime(8, 5, 7, 5))};
}

void TstJournalTime::writerTakesTheClock()
{
    QFETCH(QList<QDateTime>, times);
    const QLocale ru(QLocale::Russian, QLocale::Russia);
    JournalTime::Writer writer(ru);
    FixedClock clock;
    for (const QDateTime &when : times) {
        clock.time = when;
        QCOMPARE(clock.nowToTheSecond().time().msec(), 0);
        QCOMPARE(clock.nowToTheSecond().toSecsSinceEpoch(), when.toSecsSinceEpoch());
        QCOMPARE(writer.now(clock), JournalTime::text(when, ru));
    }
}

// The system's clock to the second lies between the times around it, in
// local time, and keeps one value through its second; with its offset, it
// is the same moment as the local time, with the local offset (a zone east
// of UTC, so that a lost or turned offset shows).
void TstJournalTime::systemClockToTheSecond()
{
    const QByteArray zone = qgetenv("TZ");
    qputenv("TZ", "<+05>-5");
    ::tzset();
    const SystemClock clock;
    for (int i = 0; i < 2000; ++i) {
        const QDateTime before = clock.now();
        const QDateTime second = clock.nowToTheSecond();
        const QDateTime stamp = clock.nowWithOffset();
        const QDateTime after = clock.now();
        QCOMPARE(stamp.offsetFromUtc(), 5 * 3600);
        QVERIFY(before.toMSecsSinceEpoch() <= stamp.toMSecsSinceEpoch());
        QVERIFY(stamp.toMSecsSinceEpoch() <= after.toMSecsSinceEpoch());
        QCOMPARE(second.timeSpec(), Qt::LocalTime);
        QCOMPARE(second.time().msec(), 0);
        QVERIFY(before.toSecsSinceEpoch() <= second.toSecsSinceEpoch());
        QVERIFY(second.toSecsSinceEpoch() <= after.toSecsSinceEpoch());
        if (before.toSecsSinceEpoch() == after.toSecsSinceEpoch())
            QCOMPARE(second.time(), QTime(before.time().hour(), before.time().minute(), before.time().second()));
        if (i % 100 == 0)
            QTest::qSleep(7);
    }
    zone.isNull() ? qunsetenv("TZ") : qputenv("TZ", zone);
    ::tzset();
}

QTEST_APPLESS_MAIN(TstJournalTime)
#include "tst_journaltime.moc"
