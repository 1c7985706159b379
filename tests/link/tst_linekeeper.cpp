#include "link/FrameBuilder.h"
#include "link/LinkTexts.h"
#include "support/LinkRig.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

using State = LineKeeper::State;

QByteArray frameOf(int type, const QString &weight)
{
    FrameContent c;
    c.weight = weight;
    c.unit = QStringLiteral("kg");
    return *FrameBuilder::build(*FrameLayouts::forType(type), c);
}

const QString LinkBroken = QStringLiteral("Разрав связи с весами!");
constexpr int RetryMs = 20;

// A rig receiving on port 1, retrying every 20 ms.
struct ReceivingRig : LinkRig {
    ReceivingRig()
    {
        link.keeper().setRetryInterval(RetryMs);
        link.StartReading();
    }
    int opens() const { return int(line.log().count(QStringLiteral("Open"))); }
};

} // namespace

// A lost line is retried while reception is on, and only then.
class TstLineKeeper : public QObject
{
    Q_OBJECT

private slots:
    void retriedUntilTheDeviceIsBack();
    void stopEndsTheRetries_data();
    void stopEndsTheRetries();
    void portThatNeverOpenedIsNotRetried();
    void resynchronisationThatFindsNoDevice();
    void badDeadZoneEndsReception();
};

// The device goes, the retries fail quietly while it is away, and reception
// goes on with the profile of the scale type now in force once it is back.
void TstLineKeeper::retriedUntilTheDeviceIsBack()
{
    ReceivingRig rig;
    QSignalSpy states(&rig.link.keeper(), &LineKeeper::stateChanged);
    QCOMPARE(rig.link.linkState(), State::Receiving);
    rig.line.feed(frameOf(0, "1.000"));
    QTRY_COMPARE(rig.journal.Rows(), 2);

    rig.line.setExistingPorts({2});
    rig.line.loseDevice();
    QCOMPARE(rig.link.linkState(), State::Waiting);
    QCOMPARE(rig.status, LinkTexts::lineLost());
    QCOMPARE(rig.messages.texts(), QStringList{LinkBroken});
    rig.line.clearLog();
    QTRY_VERIFY(rig.opens() >= 3);
    QVERIFY(!rig.line.portOpen());
    QCOMPARE(rig.link.linkState(), State::Waiting);
    QCOMPARE(rig.messages.texts(), QStringList{LinkBroken}); // failed retries say nothing

    rig.setScaleType(2);
    rig.line.setExistingPorts({1});
    QTRY_VERIFY(rig.line.portOpen());
    QCOMPARE(rig.link.linkState(), State::Receiving);
    QCOMPARE(rig.status, LinkTexts::lineBack());
    QVERIFY(rig.line.log().contains(QStringLiteral("InputLen=37")));
    QCOMPARE(rig.line.log().mid(rig.line.log().lastIndexOf(QStringLiteral("CommPort=1"))),
             (QStringList{"CommPort=1", "Settings=9600,N,8,1", "RThreshold=37", "InputLen=37", "InBufferSize=37",
                          "Open", "Input"}));
    rig.line.clearLog();
    QTest::qWait(3 * RetryMs);
    QCOMPARE(rig.opens(), 0); // the timer is off once the line is back

    QCOMPARE(states.size(), 2);
    QCOMPARE(states.at(0).at(0).value<State>(), State::Waiting);
    QCOMPARE(states.at(1).at(0).value<State>(), State::Receiving);

    // A second loss is warned again.
    rig.line.loseDevice();
    QCOMPARE(rig.messages.texts(), (QStringList{LinkBroken, LinkBroken}));
    QTRY_COMPARE(rig.link.linkState(), State::Receiving);
}

void TstLineKeeper::stopEndsTheRetries_data()
{
    QTest::addColumn<bool>("closing");
    QTest::newRow("Остановить прием данных") << false;
    QTest::newRow("the program closes") << true;
}

void TstLineKeeper::stopEndsTheRetries()
{
    QFETCH(bool, closing);
    ReceivingRig rig;
    rig.line.setExistingPorts({});
    rig.line.loseDevice();
    if (closing)
        rig.link.endReception();
    else
        rig.link.StopReading();
    QCOMPARE(rig.link.linkState(), State::Off);
    rig.line.setExistingPorts({1});
    rig.line.clearLog();
    QTest::qWait(4 * RetryMs);
    QCOMPARE(rig.opens(), 0);
    QVERIFY(!rig.line.portOpen());
}

void TstLineKeeper::portThatNeverOpenedIsNotRetried()
{
    LinkRig rig;
    rig.link.keeper().setRetryInterval(RetryMs);
    rig.line.setExistingPorts({});
    rig.link.StartReading();
    QCOMPARE(rig.messages.texts(), QStringList{QStringLiteral("Port is closed!")});
    QCOMPARE(rig.link.linkState(), State::Off);
    rig.line.setExistingPorts({1});
    QTest::qWait(4 * RetryMs);
    QVERIFY(!rig.line.portOpen());
    QCOMPARE(rig.status, QStringLiteral("not cleared"));
}

// A chunk out of step reopens the port; a device gone by then is a lost line.
void TstLineKeeper::resynchronisationThatFindsNoDevice()
{
    ReceivingRig rig;
    rig.line.setExistingPorts({});
    rig.decode("AB");
    QCOMPARE(rig.link.linkState(), State::Waiting);
    QVERIFY(rig.messages.texts().isEmpty());
    rig.line.setExistingPorts({1});
    QTRY_COMPARE(rig.link.linkState(), State::Receiving);
    rig.line.feed(frameOf(0, "2.000"));
    QTRY_COMPARE(rig.journal.Rows(), 2);
}

void TstLineKeeper::badDeadZoneEndsReception()
{
    ReceivingRig rig;
    rig.settings.luft = QStringLiteral("abc");
    rig.decode(frameOf(0, "1.000"));
    QCOMPARE(rig.link.linkState(), State::Off);
    QTest::qWait(3 * RetryMs);
    QVERIFY(!rig.line.portOpen());
}

QTEST_GUILESS_MAIN(TstLineKeeper)
#include "tst_linekeeper.moc"
