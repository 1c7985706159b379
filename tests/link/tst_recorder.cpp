#include "link/LinkTexts.h"
#include "link/Recorder.h"
#include "support/LinkRig.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

// "S:12.500" is a stable reading of weight text "12.500", "U:1" an unstable one.
ScaleReading reading(const QString &statusAndWeight)
{
    ScaleReading r;
    r.status = statusAndWeight.section(QLatin1Char(':'), 0, 0);
    r.weight = statusAndWeight.section(QLatin1Char(':'), 1);
    r.unit = QStringLiteral("kg");
    return r;
}

} // namespace

class TstRecorder : public QObject
{
    Q_OBJECT

private slots:
    void filters_data();
    void filters();
    void rowCells();
    void numbering_data();
    void numbering();
    void emptyRowIsReplaced_data();
    void emptyRowIsReplaced();
    void filledCurrentRowStays();
    void noControlCharactersInCells();
    void bellByCheckState_data();
    void bellByCheckState();
    void dateAndTimeInTheLocale();
    void deadZoneTellsWhatItHeldBack_data();
    void deadZoneTellsWhatItHeldBack();

private:
    static void record(LinkRig &rig, const QString &statusAndWeight, float deadZone = 0)
    {
        rig.link.recorder().RecordReading(reading(statusAndWeight), deadZone);
    }
    static QStringList recordedWeights(const LinkRig &rig)
    {
        QStringList w;
        for (int r = 1; r < rig.journal.Rows(); ++r)
            w << rig.journal.TextMatrix(r, 2);
        return w;
    }
};

void TstRecorder::filters_data()
{
    QTest::addColumn<float>("deadZone");
    QTest::addColumn<int>("writeZero");
    QTest::addColumn<int>("unstable");
    QTest::addColumn<QStringList>("readings");
    QTest::addColumn<QStringList>("recorded");
    QTest::addColumn<float>("prevWeight");

    QTest::newRow("dead zone 0 keeps repeats") << 0.0f << 1 << 1 << QStringList{"S:7", "S:7", "S:7"}
                                               << QStringList{"7", "7", "7"} << 7.0f;
    QTest::newRow("dead zone 5: 10 12 20") << 5.0f << 1 << 1 << QStringList{"S:10", "S:12", "S:20"}
                                           << QStringList{"10", "20"} << 20.0f;
    QTest::newRow("dead zone 5: 10 15") << 5.0f << 1 << 1 << QStringList{"S:10", "S:15"}
                                        << QStringList{"10", "15"} << 15.0f;
    QTest::newRow("first zero in the dead zone") << 1.0f << 1 << 1 << QStringList{"S:0.000"} << QStringList{}
                                                 << 0.0f;
    QTest::newRow("zero dropped, still the last weight")
        << 1.0f << 0 << 1 << QStringList{"S:5", "S:  0.000", "S:0.5"} << QStringList{"5"} << 0.5f;
    QTest::newRow("zero recorded when asked") << 0.0f << 1 << 1 << QStringList{"S:  0.000"}
                                              << QStringList{"  0.000"} << 0.0f;
    QTest::newRow("unstable dropped before the weight")
        << 5.0f << 1 << 0 << QStringList{"U:5", "S:5"} << QStringList{"5"} << 5.0f;
    QTest::newRow("unstable recorded when asked") << 0.0f << 1 << 1 << QStringList{"U:5"} << QStringList{"5"}
                                                  << 5.0f;
    QTest::newRow("greyed boxes count as checked") << 0.0f << 2 << 2 << QStringList{"U:0"} << QStringList{"0"}
                                                   << 0.0f;
    QTest::newRow("minus sign kept") << 0.0f << 1 << 1 << QStringList{"S:-1.250"} << QStringList{"-1.250"}
                                     << -1.25f;
    QTest::newRow("no number leaves the last weight")
        << 0.0f << 1 << 1 << QStringList{"S:3", "S:", "S:abc", "S:--", "S:1.2.3"} << QStringList{"3"} << 3.0f;
    QTest::newRow("decimal comma and full stop") << 0.0f << 1 << 1 << QStringList{"S:1,5", "S: 2.5 "}
                                                 << QStringList{"1,5", " 2.5 "} << 2.5f;
    QTest::newRow("sign with blanks") << 0.0f << 1 << 1 << QStringList{"S:-  1.0"} << QStringList{"-  1.0"}
                                      << -1.0f;
}

void TstRecorder::filters()
{
    QFETCH(float, deadZone);
    QFETCH(QStringList, readings);
    LinkRig rig;
    QFETCH(int, writeZero);
    QFETCH(int, unstable);
    rig.settings.writeZeroState = writeZero;
    rig.settings.unstableState = unstable;
    QSignalSpy recorded(&rig.link.recorder(), &Recorder::recorded);
    for (const QString &r : readings)
        record(rig, r, deadZone);
    QTEST(recordedWeights(rig), "recorded");
    QTEST(rig.link.recorder().prevWeight(), "prevWeight");
    QCOMPARE(recorded.count(), rig.journal.Rows() - 1);
}

void TstRecorder::rowCells()
{
    LinkRig rig;
    rig.note = QStringLiteral("партия 7");
    record(rig, QStringLiteral("U:  12.500"));
    QCOMPARE(rig.journal.Rows(), 2);
    QCOMPARE(rig.journal.TextMatrix(1, 0), QStringLiteral("1"));
    QCOMPARE(rig.row(1), QStringLiteral("1\t  12.500\tkg\tU\t05.03.2024 09:05:07\tпартия 7"));
    QCOMPARE(rig.journal.Row(), 1);
    QCOMPARE(rig.journal.Col(), 1);
    QCOMPARE(rig.status, QString());
}

void TstRecorder::numbering_data()
{
    QTest::addColumn<QStringList>("numbers"); // NomPP of the rows there
    QTest::addColumn<QString>("position");
    QTest::addColumn<QString>("number");

    QTest::newRow("empty journal") << QStringList{} << "1" << "1";
    QTest::newRow("after deletions") << QStringList{"1", "5", "7"} << "4" << "8";
    QTest::newRow("last not a number") << QStringList{"3", "9", "x"} << "4" << "10";
    QTest::newRow("last empty") << QStringList{"3", "2", ""} << "4" << "4";
    QTest::newRow("no number at all") << QStringList{"a", ""} << "3" << "1";
    QTest::newRow("fraction") << QStringList{"2,5"} << "2" << "3,5";
}

void TstRecorder::numbering()
{
    QFETCH(QStringList, numbers);
    LinkRig rig;
    for (int i = 0; i < numbers.size(); ++i)
        rig.journal.AddItem(QStringLiteral("%1\t%2\t1\tkg\tS\tt\tn").arg(i + 1).arg(numbers[i]));
    record(rig, QStringLiteral("S:2"));
    const int last = rig.journal.Rows() - 1;
    QTEST(rig.journal.TextMatrix(last, 0), "position");
    QTEST(rig.journal.TextMatrix(last, 1), "number");
}

void TstRecorder::emptyRowIsReplaced_data()
{
    QTest::addColumn<int>("rows");       // journal rows before
    QTest::addColumn<int>("emptyRow");   // the current, empty one
    QTest::addColumn<QStringList>("after"); // NomPP of the rows after

    QTest::newRow("the only row") << 1 << 1 << QStringList{"1"};
    QTest::newRow("among others") << 3 << 2 << QStringList{"1", "3", "4"};
}

void TstRecorder::emptyRowIsReplaced()
{
    QFETCH(int, rows);
    QFETCH(int, emptyRow);
    LinkRig rig;
    for (int r = 1; r <= rows; ++r)
        rig.journal.AddItem(r == emptyRow ? QString::number(r) : QStringLiteral("%1\t%1\t1\tkg\tS\tt\tn").arg(r));
    rig.journal.setCurrentCell(emptyRow, 6);
    record(rig, QStringLiteral("S:2"));
    QStringList numbers, positions;
    for (int r = 1; r < rig.journal.Rows(); ++r) {
        numbers << rig.journal.TextMatrix(r, 1);
        positions << rig.journal.TextMatrix(r, 0);
    }
    QTEST(numbers, "after");
    QCOMPARE(positions.last(), QString::number(rig.journal.Rows() - 1));
    QCOMPARE(rig.journal.Row(), rig.journal.Rows() - 1);
}

void TstRecorder::filledCurrentRowStays()
{
    LinkRig rig;
    rig.journal.AddItem(QStringLiteral("1\t1\t1\tkg\tS\tt\t"));
    rig.journal.AddItem(QStringLiteral("2\t2\t1\tkg\tS\tt\t"));
    rig.journal.setCurrentCell(1, 6); // an empty note cell of a filled row
    record(rig, QStringLiteral("S:2"));
    QCOMPARE(rig.journal.Rows(), 4);
    QCOMPARE(rig.journal.TextMatrix(1, 1), QStringLiteral("1"));
    QCOMPARE(rig.journal.TextMatrix(3, 1), QStringLiteral("3"));
    QCOMPARE(rig.journal.Row(), 3);
}

void TstRecorder::noControlCharactersInCells()
{
    LinkRig rig;
    rig.note = QStringLiteral("a\tb\r\nc");
    ScaleReading r = reading(QStringLiteral("S:\t1.0"));
    r.unit = QStringLiteral("k\t");
    r.status = QStringLiteral("\n");
    rig.link.recorder().RecordReading(r, 0);
    QCOMPARE(rig.journal.Rows(), 2);
    QCOMPARE(rig.row(1), QStringLiteral("1\t 1.0\tk \t \t05.03.2024 09:05:07\ta b  c"));
}

void TstRecorder::bellByCheckState_data()
{
    QTest::addColumn<int>("bell");
    QTest::addColumn<int>("beeps");
    QTest::newRow("clear") << 0 << 0;
    QTest::newRow("checked") << 1 << 1;
    QTest::newRow("greyed") << 2 << 1;
}

void TstRecorder::bellByCheckState()
{
    QFETCH(int, bell);
    LinkRig rig;
    rig.settings.bellState = bell;
    record(rig, QStringLiteral("S:1"));
    record(rig, QStringLiteral("U:abc")); // dropped: no beep, status untouched
    QTEST(rig.beeper.beeps, "beeps");
    QCOMPARE(rig.status, QString());
    rig.status = QStringLiteral("x");
    record(rig, QStringLiteral("S:1"), 5);
    QCOMPARE(rig.status, QStringLiteral("x"));
}

void TstRecorder::dateAndTimeInTheLocale()
{
    LinkRig rig;
    Recorder german(rig.journal, rig.settings, rig.clock, rig.beeper, {[] { return QString(); }, [](const QString &) {}},
                    QLocale(QLocale::German, QLocale::Germany));
    rig.clock.time = QDateTime(QDate(2023, 12, 31), QTime(23, 59, 59));
    german.RecordReading(reading(QStringLiteral("S:1")), 0);
    QCOMPARE(rig.journal.TextMatrix(1, 5), QStringLiteral("31.12.23 23:59:59"));
}

// A weight the dead zone held back although it moved is told in the status
// bar, at most once a hold, and never over the line's news; repeats of one
// weight stay silent, and a recorded reading leaves the line's news alone.
void TstRecorder::deadZoneTellsWhatItHeldBack_data()
{
    QTest::addColumn<float>("deadZone");
    QTest::addColumn<QString>("news"); // of the line, before the readings
    QTest::addColumn<QStringList>("readings");
    QTest::addColumn<QString>("status");
    QTest::addColumn<int>("rows");
    QTest::newRow("kilograms under a zone meant as grams")
        << 50.f << QString() << QStringList{"S:   0.000", "S:   1.000"} << LinkTexts::withinDeadZone("1", "50") << 0;
    QTest::newRow("a fraction") << 0.05f << QString() << QStringList{"S:1.000", "S:1.020"}
                                << LinkTexts::withinDeadZone("0,02", "0,05") << 1;
    QTest::newRow("repeats") << 0.5f << QString() << QStringList{"S:1.000", "S:1.000", "S:1.000"} << QString() << 1;
    QTest::newRow("once a hold") << 50.f << QString() << QStringList{"S:1", "S:3"}
                                 << LinkTexts::withinDeadZone("1", "50") << 0;
    QTest::newRow("not over the line's news")
        << 50.f << LinkTexts::lineBack() << QStringList{"S:1"} << LinkTexts::lineBack() << 0;
    QTest::newRow("the line's news outlasts a recording")
        << 0.f << LinkTexts::lineBack() << QStringList{"S:1", "S:2"} << LinkTexts::lineBack() << 2;
}

void TstRecorder::deadZoneTellsWhatItHeldBack()
{
    QFETCH(float, deadZone);
    QFETCH(QString, news);
    QFETCH(QStringList, readings);
    LinkRig rig;
    if (!news.isEmpty())
        rig.link.statusLine().lineNews(news);
    for (const QString &r : readings)
        record(rig, r, deadZone);
    QTEST(rig.status, "status");
    QTEST(rig.journal.Rows() - 1, "rows");

    // Held no longer, the next recorded reading clears the bar.
    rig.link.statusLine().setHoldMs(0);
    record(rig, QStringLiteral("S:1000"), deadZone);
    QCOMPARE(rig.status, QString());
}

QTEST_GUILESS_MAIN(TstRecorder)
#include "tst_recorder.moc"
