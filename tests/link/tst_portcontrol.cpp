#include "link/LinkTexts.h"
#include "link/PortControl.h"
#include "support/FakeLiveSettings.h"
#include "support/FakeSerialLine.h"
#include "support/FakeUserMessages.h"

#include <QElapsedTimer>
#include <QtTest>

namespace {

const QString PortClosed = QStringLiteral("Port is closed!");

QString badPort(const QString &text)
{
    return QStringLiteral("Неверный номер порта: «%1». Укажите номер порта в окне «Настройка».").arg(text);
}

} // namespace

class TstPortControl : public QObject
{
    Q_OBJECT

    FakeSerialLine m_line;
    FakeLiveSettings m_settings;
    FakeUserMessages m_messages;
    std::unique_ptr<PortControl> m_port;

private slots:
    void init();
    void profileOfEachType_data();
    void profileOfEachType();
    void unknownTypeLeavesThePortClosed_data();
    void unknownTypeLeavesThePortClosed();
    void lastFailureIsReturned();
    void startOnAnOpenPortReopens();
    void portThatCannotOpen_data();
    void portThatCannotOpen();
    void badPortText_data();
    void badPortText();
    void stopSetsBreakAndCloses();
    void pauseWaits();
};

void TstPortControl::init()
{
    m_line.setExistingPorts({1, 2});
    m_line.setHeldPorts({});
    m_line.setPortOpen(false);
    m_line.clearLog();
    m_messages.clear();
    m_settings = FakeLiveSettings();
    m_port = std::make_unique<PortControl>(m_line, m_settings, m_messages);
}

void TstPortControl::profileOfEachType_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QStringList>("steps");

    const QString s = QStringLiteral("Settings=9600,N,8,1");
    QTest::newRow("0") << "0" << QStringList{"CommPort=2", s, "InputLen=16", "RThreshold=16", "Open", "Input"};
    QTest::newRow("1") << "1" << QStringList{"CommPort=2", s, "RThreshold=15", "InputLen=15", "Open", "Input"};
    QTest::newRow("3 as 1") << "3" << QStringList{"CommPort=2", s, "RThreshold=15", "InputLen=15", "Open", "Input"};
    QTest::newRow("2") << "2"
                       << QStringList{"CommPort=2", s, "RThreshold=37", "InputLen=37", "InBufferSize=37", "Open",
                                      "Input"};
    QTest::newRow("4 as 2") << "4"
                            << QStringList{"CommPort=2", s, "RThreshold=37", "InputLen=37", "InBufferSize=37",
                                           "Open", "Input"};
    QTest::newRow("5") << "5"
                       << QStringList{"CommPort=2", s, "RThreshold=36", "InputLen=36", "InBufferSize=36", "Open",
                                      "Input"};
}

void TstPortControl::profileOfEachType()
{
    QFETCH(QString, type);
    m_settings.scaleType = type;
    QCOMPARE(m_port->PreparePort(2), 0);
    QTEST(m_line.log(), "steps");
    QVERIFY(m_line.portOpen());
}

void TstPortControl::unknownTypeLeavesThePortClosed_data()
{
    QTest::addColumn<QString>("type");
    QTest::newRow("6") << "6";
    QTest::newRow("empty") << "";
    QTest::newRow("blank before") << " 1";
}

void TstPortControl::unknownTypeLeavesThePortClosed()
{
    QFETCH(QString, type);
    m_settings.scaleType = type;
    m_port->PreparePort(1);
    QCOMPARE(m_line.log(), QStringList{"CommPort=1"});
    QVERIFY(!m_line.portOpen());

    m_port->StartReading();
    QVERIFY(!m_line.portOpen());
    QCOMPARE(m_messages.messages().size(), 1);
    const FakeUserMessages::Message &m = m_messages.messages().first();
    QCOMPARE(m.text, PortClosed);
    QCOMPARE(m.title, QStringLiteral("Tarovik_RS232"));
    QCOMPARE(m.buttons, UserMessages::Buttons::Ok);
    QCOMPARE(m.icon, UserMessages::Icon::None);
}

void TstPortControl::lastFailureIsReturned()
{
    m_line.failOn(QStringLiteral("Settings"), SerialLine::ErrSetCommState);
    m_line.failOn(QStringLiteral("RThreshold"), SerialLine::ErrInvalidProperty);
    QCOMPARE(m_port->PreparePort(1), int(SerialLine::ErrInvalidProperty));
    QVERIFY(m_line.portOpen()); // the steps after a failure still ran
    m_line.failOn(QStringLiteral("Settings"), 0);
    m_line.failOn(QStringLiteral("RThreshold"), 0);

    QCOMPARE(m_port->PreparePort(9), int(SerialLine::ErrInvalidPortNumber));
    QVERIFY(!m_line.portOpen());
    QVERIFY(!m_port->portNumberRefused());
}

void TstPortControl::startOnAnOpenPortReopens()
{
    m_settings.port = QStringLiteral("2");
    m_port->StartReading();
    QVERIFY(m_line.portOpen());
    m_line.clearLog();
    m_settings.scaleType = QStringLiteral("5");
    m_line.feed("waiting");
    m_port->StartReading();
    QCOMPARE(m_line.log(), (QStringList{"Close", "CommPort=2", "Settings=9600,N,8,1", "RThreshold=36",
                                        "InputLen=36", "InBufferSize=36", "Open", "Input", "Input"}));
    QCOMPARE(m_line.inBufferCount(), 0);
    QVERIFY(m_messages.messages().isEmpty());
}

// A port another program holds (a second copy of this one, most often) is
// said to be held; a port that is gone is closed, no more.
void TstPortControl::portThatCannotOpen_data()
{
    QTest::addColumn<bool>("held");
    QTest::addColumn<QString>("message");
    QTest::newRow("held") << true << PortClosed + QStringLiteral("\r\n") + LinkTexts::portHeld();
    QTest::newRow("gone") << false << PortClosed;
}

void TstPortControl::portThatCannotOpen()
{
    QFETCH(bool, held);
    if (held)
        m_line.setHeldPorts({1});
    else
        m_line.setExistingPorts({2});
    m_port->StartReading();
    QVERIFY(!m_line.portOpen());
    QTEST(m_messages.texts().value(0), "message");
}

void TstPortControl::badPortText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("steps"); // after closing the open port

    QTest::newRow("letters") << "abc" << QStringList{};
    QTest::newRow("empty") << "" << QStringList{};
    QTest::newRow("beyond 16 bits") << "70000" << QStringList{};
    QTest::newRow("refused by the line") << "0" << QStringList{"CommPort=0"};
}

void TstPortControl::badPortText()
{
    QFETCH(QString, text);
    QFETCH(QStringList, steps);
    m_port->StartReading();
    QVERIFY(m_line.portOpen());
    m_line.clearLog();
    m_settings.port = text;

    m_port->StartReading();
    QCOMPARE(m_line.log(), QStringList{"Close"} + steps);
    QVERIFY(!m_line.portOpen());
    QCOMPARE(m_messages.texts(), QStringList{badPort(text)});
    QCOMPARE(m_messages.messages().first().icon, UserMessages::Icon::Warning);

    m_messages.clear();
    QVERIFY(!m_port->prepareConfiguredPort()); // resynchronising says the same
    QCOMPARE(m_messages.texts(), QStringList{badPort(text)});
}

void TstPortControl::stopSetsBreakAndCloses()
{
    m_port->StartReading();
    m_line.clearLog();
    m_port->StopReading();
    QCOMPARE(m_line.log(), (QStringList{"Break=1", "Close"}));
    QVERIFY(!m_line.portOpen());
    m_line.clearLog();
    m_port->StopReading();
    QVERIFY(m_line.log().isEmpty());
    QVERIFY(m_messages.messages().isEmpty());
}

void TstPortControl::pauseWaits()
{
    QElapsedTimer clock; // monotonic: midnight does not matter
    clock.start();
    PortControl::Pause(0.01f);
    QVERIFY(clock.nsecsElapsed() >= 10'000'000);
}

QTEST_GUILESS_MAIN(TstPortControl)
#include "tst_portcontrol.moc"
