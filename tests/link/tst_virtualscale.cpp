#include "link/FrameLayout.h"
#include "link/QtSerialLine.h"
#include "support/FrameField.h"

#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run runScale(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral(VIRTUAL_SCALE_PATH), args);
    Run r;
    if (!p.waitForFinished(10000))
        return r;
    r.exitCode = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

} // namespace

class TstVirtualScale : public QObject
{
    Q_OBJECT

private slots:
    void printsCountingFrames();
    void loopsTheScriptUpToCount();
    void readsAScriptFile();
    void refusesBadSteps_data();
    void refusesBadSteps();
    void servesTheProgramAndCountsAcks();
    void stopsCleanlyOnTerminate();
    void staysUpAfterCount();

private:
    void startOnPort(QProcess &scale, const QTemporaryDir &dir, const QStringList &extra);
};

void TstVirtualScale::printsCountingFrames()
{
    const Run r = runScale({"--print", "--type", "2", "--weights", "U:1.250*2/10/0.125,2.500"});
    QCOMPARE(r.exitCode, 0);
    const FrameLayout &l = *FrameLayouts::forType(2);
    QCOMPARE(r.out.size(), 3 * l.frameLength);
    for (int i = 0; i < 3; ++i) {
        const QByteArray f = r.out.mid(i * l.frameLength, l.frameLength);
        QCOMPARE(f.left(2), QByteArray("\x01\x02"));
        QCOMPARE(fieldOf(f, l.status), QByteArray(i < 2 ? "U" : "S"));
        QCOMPARE(fieldOf(f, l.weight), QByteArray(i < 2 ? "    1.250" : "    2.500"));
        QCOMPARE(fieldOf(f, l.unit), QByteArray("kg"));
        QCOMPARE(fieldOf(f, l.quantity), QByteArray(i < 2 ? "     10" : "      0"));
        QCOMPARE(fieldOf(f, l.unitWeight), QByteArray(i < 2 ? "  0.125" : "      0"));
    }
}

void TstVirtualScale::loopsTheScriptUpToCount()
{
    const Run r = runScale({"--print", "--type", "1", "--weights", "1,2", "--count", "5",
                            "--unit", "g", "--enq"});
    QCOMPARE(r.exitCode, 0);
    const FrameLayout &l = *FrameLayouts::forType(1);
    QCOMPARE(r.out.size(), 5 * l.frameLength);
    QByteArray weights;
    for (int i = 0; i < 5; ++i) {
        const QByteArray f = r.out.mid(i * l.frameLength, l.frameLength);
        weights += fieldOf(f, l.weight).trimmed();
        QCOMPARE(fieldOf(f, l.unit), QByteArray("g "));
        QCOMPARE(f.back(), FrameLayouts::ENQ);
    }
    QCOMPARE(weights, QByteArray("12121"));
}

void TstVirtualScale::readsAScriptFile()
{
    QTemporaryDir dir;
    QFile script(dir.filePath(QStringLiteral("steps.txt")));
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("# warming up\n0.000*2\nU:5.5 # settling\n5.500\n");
    script.close();
    const Run r = runScale({"--print", "--script", script.fileName()});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QByteArray("\x01\x02S   0.000kg   "
                               "\x01\x02S   0.000kg   "
                               "\x01\x02U     5.5kg   "
                               "\x01\x02S   5.500kg   "));
}

void TstVirtualScale::refusesBadSteps_data()
{
    QTest::addColumn<QString>("steps");
    QTest::newRow("weight too long") << "123456789";
    QTest::newRow("repeat zero") << "1.0*0";
    QTest::newRow("repeat not a number") << "1.0*x";
    QTest::newRow("half a counting part") << "1.0/5";
}

void TstVirtualScale::refusesBadSteps()
{
    QFETCH(QString, steps);
    const Run r = runScale({"--print", "--weights", "1.000," + steps});
    QCOMPARE(r.exitCode, 2);
    QVERIFY(r.out.isEmpty());
    QVERIFY2(r.err.contains(steps.toUtf8()), r.err.constData());
}

void TstVirtualScale::startOnPort(QProcess &scale, const QTemporaryDir &dir, const QStringList &extra)
{
    scale.start(QStringLiteral(VIRTUAL_SCALE_PATH),
                QStringList{"--folder", dir.path(), "--port", "2"} + extra);
    QVERIFY(scale.waitForStarted(5000));
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(dir.filePath(QStringLiteral("ports/COM2"))), 10000);
}

void TstVirtualScale::servesTheProgramAndCountsAcks()
{
    QTemporaryDir dir;
    QProcess scale;
    startOnPort(scale, dir, {"--type", "0", "--enq", "--count", "3", "--interval-ms", "20",
                             "--weights", "1.000,2.000,3.000"});

    QtSerialLine line(dir.path());
    line.setCommPort(2);
    line.setRThreshold(16);
    line.setInputLen(16);
    QList<QByteArray> chunks;
    connect(&line, &SerialLine::commEvent, this, [&](int code) {
        if (code != SerialLine::EvReceive)
            return;
        const QByteArray chunk = line.input();
        chunks.append(chunk);
        if (chunk.contains(FrameLayouts::ENQ))
            line.output(QByteArray(1, FrameLayouts::ACK));
    });
    QCOMPARE(line.setPortOpen(true), 0);

    QTRY_COMPARE_WITH_TIMEOUT(chunks.size(), 3, 10000);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(fieldOf(chunks.at(i), FrameLayouts::forType(0)->weight).trimmed(),
                 QByteArray::number(i + 1) + ".000");
    QTRY_COMPARE_WITH_TIMEOUT(scale.state(), QProcess::NotRunning, 10000);
    QCOMPARE(scale.exitCode(), 0);
    QCOMPARE(scale.readAllStandardOutput().trimmed(), QByteArray("frames=3 acks=3"));
    QVERIFY(!QFileInfo(dir.filePath(QStringLiteral("ports/COM2"))).isSymLink());
}

void TstVirtualScale::stopsCleanlyOnTerminate()
{
    QTemporaryDir dir;
    QProcess scale;
    startOnPort(scale, dir, {"--type", "5"});

    QtSerialLine line(dir.path());
    line.setCommPort(2);
    line.setRThreshold(36);
    QSignalSpy events(&line, &SerialLine::commEvent);
    QCOMPARE(line.setPortOpen(true), 0);
    QVERIFY(events.wait(10000));

    scale.terminate();
    QVERIFY(scale.waitForFinished(10000));
    QCOMPARE(scale.exitStatus(), QProcess::NormalExit);
    QCOMPARE(scale.exitCode(), 0);
    const QByteArray summary = scale.readAllStandardOutput().trimmed();
    QVERIFY2(summary.startsWith("frames=") && summary.endsWith(" acks=0"), summary.constData());
    QVERIFY(summary.mid(7, summary.indexOf(' ') - 7).toInt() >= 1);
    QVERIFY(!QFileInfo(dir.filePath(QStringLiteral("ports/COM2"))).isSymLink());
}

// With --stay the scale sends its frames, then keeps the line up and silent:
// no hang-up that a listening program would take for a device pulled out.
void TstVirtualScale::staysUpAfterCount()
{
    QTemporaryDir dir;
    QProcess scale;
    startOnPort(scale, dir, {"--type", "0", "--count", "2", "--interval-ms", "10", "--stay"});

    QtSerialLine line(dir.path());
    line.setCommPort(2);
    line.setRThreshold(16);
    line.setInputLen(16);
    int chunks = 0;
    bool lost = false;
    connect(&line, &SerialLine::commEvent, this, [&](int code) {
        lost = lost || code == SerialLine::EvDeviceLost;
        if (code == SerialLine::EvReceive && !line.input().isEmpty())
            ++chunks;
    });
    QCOMPARE(line.setPortOpen(true), 0);
    QTRY_COMPARE_WITH_TIMEOUT(chunks, 2, 10000);
    QTest::qWait(400); // longer than the scale lingers without --stay
    QCOMPARE(chunks, 2);
    QVERIFY(!lost);
    QCOMPARE(scale.state(), QProcess::Running);
    QVERIFY(line.portOpen());

    scale.terminate();
    QVERIFY(scale.waitForFinished(10000));
    QCOMPARE(scale.readAllStandardOutput().trimmed(), QByteArray("frames=2 acks=0"));
}

QTEST_GUILESS_MAIN(TstVirtualScale)
#include "tst_virtualscale.moc"
