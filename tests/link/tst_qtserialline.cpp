#include "link/QtSerialLine.h"
#include "pty/PseudoTerminal.h"

#include <QFile>
#include <QProcess>
#include <QSerialPortInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <termios.h>

namespace {

constexpr int Port = 1;

QByteArray frame(char fill, int length) { return QByteArray(length, fill); }

// The child side of heldByAnotherProcess: opens the port and keeps it until
// its standard input closes.
int holdPort(const QString &folder, int number)
{
    QtSerialLine line(folder);
    line.setCommPort(number);
    if (line.setPortOpen(true) != 0)
        return 1;
    std::puts("held");
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
    return 0;
}

} // namespace

class TstQtSerialLine : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void openAndClose();
    void linkToMissingDeviceIsNoPort();
    void ttySWithoutUartIsNoPort();
    void heldByAnotherPort();
    void heldByAnotherProcess();
    void settingsAppliedAtOpenAndWhileOpen();
    void malformedSettingsChangeNothing();
    void noEventBelowThreshold();
    void splitFrameGivesOneChunkWhenComplete();
    void gluedFramesGiveOneReadEach_data();
    void gluedFramesGiveOneReadEach();
    void laterArrivalRaisesAgain();
    void inputLengthCapsARead();
    void unreadBacklogKeepsTheNewest();
    void outputReachesTheDevice();
    void outputKeepsItsOrder_data();
    void outputKeepsItsOrder();
    void deviceLostClosesAndReopens();
    void breakIsHarmless();

private:
    // Opens m_line on the pseudo-terminal linked as COM1 of the folder.
    void openLine();
    termios lineState() const;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<PseudoTerminal> m_pty;
    std::unique_ptr<QtSerialLine> m_line;
};

void TstQtSerialLine::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_pty = std::make_unique<PseudoTerminal>();
    QVERIFY2(m_pty->isValid(), qPrintable(m_pty->errorText()));
    QVERIFY(m_pty->linkAs(m_dir->path(), Port));
    m_line = std::make_unique<QtSerialLine>(m_dir->path());
    QCOMPARE(m_line->setCommPort(Port), 0);
}

void TstQtSerialLine::cleanup()
{
    m_line.reset();
    m_pty.reset();
    m_dir.reset();
}

void TstQtSerialLine::openLine()
{
    QCOMPARE(m_line->setPortOpen(true), 0);
    QVERIFY(m_line->portOpen());
}

termios TstQtSerialLine::lineState() const
{
    termios t {};
    ::tcgetattr(m_pty->slaveFd(), &t);
    return t;
}

void TstQtSerialLine::openAndClose()
{
    openLine();
    QCOMPARE(m_line->setPortOpen(true), int(SerialLine::ErrPortAlreadyOpen));
    QCOMPARE(m_line->setCommPort(2), int(SerialLine::ErrPortAlreadyOpen));
    QCOMPARE(m_line->commPort(), Port);
    QVERIFY(m_line->portOpen());

    QCOMPARE(m_line->setPortOpen(false), 0);
    QVERIFY(!m_line->portOpen());
    QCOMPARE(m_line->setPortOpen(false), 0); // closing a closed port succeeds
    QCOMPARE(m_line->inBufferCount(), 0);
    QCOMPARE(m_line->input(), QByteArray());
    openLine();
}

void TstQtSerialLine::linkToMissingDeviceIsNoPort()
{
    const QString link = m_dir->filePath(QStringLiteral("ports/COM2"));
    QVERIFY(QFile::link(m_dir->filePath(QStringLiteral("unplugged")), link));
    QCOMPARE(m_line->setCommPort(2), 0);
    QCOMPARE(m_line->setPortOpen(true), int(SerialLine::ErrInvalidPortNumber));
    QVERIFY(!m_line->portOpen());
    QVERIFY(m_line->lastErrorText().contains(QLatin1String("COM2")));

    QCOMPARE(m_line->setCommPort(0), int(SerialLine::ErrInvalidPortNumber));
    QCOMPARE(m_line->commPort(), 2);
}

void TstQtSerialLine::ttySWithoutUartIsNoPort()
{
    QStringList uarts;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        uarts << info.systemLocation();
    int number = 2; // COM1 is linked to the pseudo-terminal
    while (number <= 255 && uarts.contains(QStringLiteral("/dev/ttyS%1").arg(number - 1)))
        ++number;
    if (number > 255)
        QSKIP("every ttyS node has a UART here");

    QCOMPARE(m_line->setCommPort(number), 0);
    QCOMPARE(m_line->setPortOpen(true), int(SerialLine::ErrInvalidPortNumber));
    QVERIFY(!m_line->portOpen());
}

void TstQtSerialLine::heldByAnotherPort()
{
    QSerialPort other(m_pty->slavePath());
    QVERIFY(other.open(QIODevice::ReadWrite));
    QCOMPARE(m_line->setPortOpen(true), int(SerialLine::ErrPortUnavailable));
    QVERIFY(!m_line->portOpen());
    QVERIFY(!m_line->lastErrorText().isEmpty());
    other.close();
    openLine();

    // A second line on the same port number, as a second instance would be.
    QtSerialLine second(m_dir->path());
    second.setCommPort(Port);
    QCOMPARE(second.setPortOpen(true), int(SerialLine::ErrPortUnavailable));
}

void TstQtSerialLine::heldByAnotherProcess()
{
    QProcess holder;
    holder.start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--hold"), m_dir->path(), QString::number(Port)});
    QVERIFY(holder.waitForStarted(5000));
    QByteArray said;
    while (!said.contains("held") && holder.waitForReadyRead(10000))
        said += holder.readAllStandardOutput();
    QVERIFY2(said.contains("held"), holder.readAllStandardError().constData());

    QCOMPARE(m_line->setPortOpen(true), int(SerialLine::ErrPortUnavailable));

    holder.closeWriteChannel();
    QVERIFY(holder.waitForFinished(5000));
    QCOMPARE(holder.exitCode(), 0);
    openLine();
}

void TstQtSerialLine::settingsAppliedAtOpenAndWhileOpen()
{
    QCOMPARE(m_line->setSettings(QStringLiteral("4800,E,7,2")), 0);
    openLine();
    // A pseudo-terminal always clears the parity enable bit and keeps 8 data
    // bits; speed, stop bits and the parity kind (odd, mark/space) show.
    termios t = lineState();
    QCOMPARE(cfgetospeed(&t), speed_t(B4800));
    QCOMPARE(t.c_cflag & (PARODD | CMSPAR), tcflag_t(0)); // even
    QVERIFY(t.c_cflag & CSTOPB);

    QCOMPARE(m_line->setSettings(QStringLiteral("19200,o,8,1")), 0);
    t = lineState();
    QCOMPARE(cfgetospeed(&t), speed_t(B19200));
    QCOMPARE(t.c_cflag & (PARODD | CMSPAR), tcflag_t(PARODD));
    QVERIFY(!(t.c_cflag & CSTOPB));
    QCOMPARE(m_line->settings(), QStringLiteral("19200,o,8,1"));

    QCOMPARE(m_line->setSettings(QStringLiteral("115200,S,8,2")), 0);
    t = lineState();
    QCOMPARE(cfgetospeed(&t), speed_t(B115200));
    QCOMPARE(t.c_cflag & (PARODD | CMSPAR), tcflag_t(CMSPAR));
    QVERIFY(t.c_cflag & CSTOPB);
}

void TstQtSerialLine::malformedSettingsChangeNothing()
{
    openLine();
    const termios before = lineState();
    for (const QString &bad : {QStringLiteral("9600,X,8,1"), QStringLiteral("9600,N,9,1"),
                               QStringLiteral("19200,N,8")}) {
        QCOMPARE(m_line->setSettings(bad), int(SerialLine::ErrInvalidProperty));
        QVERIFY(!m_line->lastErrorText().isEmpty());
    }
    QCOMPARE(m_line->settings(), QStringLiteral("9600,N,8,1"));
    const termios after = lineState();
    QCOMPARE(cfgetospeed(&after), cfgetospeed(&before));
    QCOMPARE(after.c_cflag, before.c_cflag);
}

void TstQtSerialLine::noEventBelowThreshold()
{
    m_line->setRThreshold(16);
    openLine();
    QSignalSpy events(m_line.get(), &SerialLine::commEvent);
    QVERIFY(m_pty->write(frame('a', 15)));
    QTRY_COMPARE(m_line->inBufferCount(), 15);
    QCoreApplication::processEvents(); // a pending check would run here
    QVERIFY(events.isEmpty());

    m_line->setRThreshold(0);
    QVERIFY(m_pty->write(frame('b', 20)));
    QTRY_COMPARE(m_line->inBufferCount(), 35);
    QCoreApplication::processEvents();
    QVERIFY(events.isEmpty());
}

void TstQtSerialLine::splitFrameGivesOneChunkWhenComplete()
{
    m_line->setRThreshold(16);
    m_line->setInputLen(16);
    openLine();
    QSignalSpy events(m_line.get(), &SerialLine::commEvent);
    const QByteArray whole = QByteArray("\x01\x02U  12.500kg   ");
    QVERIFY(m_pty->write(whole.left(9)));
    QTRY_COMPARE(m_line->inBufferCount(), 9);
    QVERIFY(m_pty->write(whole.mid(9)));
    QVERIFY(events.wait(5000));
    QCOMPARE(events.count(), 1);
    QCOMPARE(events.at(0).at(0).toInt(), int(SerialLine::EvReceive));
    QCOMPARE(m_line->input(), whole);
}

void TstQtSerialLine::gluedFramesGiveOneReadEach_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("frames");
    QTest::addColumn<int>("bufferSize");
    QTest::newRow("two type-0 frames") << 16 << 2 << 1024;
    // A receive buffer of one frame neither loses nor stalls the rest.
    QTest::newRow("five frames, buffer of one") << 37 << 5 << 37;
}

void TstQtSerialLine::gluedFramesGiveOneReadEach()
{
    QFETCH(int, length);
    QFETCH(int, frames);
    QFETCH(int, bufferSize);
    m_line->setRThreshold(length);
    m_line->setInputLen(length);
    m_line->setInBufferSize(bufferSize);
    openLine();
    QList<QByteArray> reads;
    bool eventInsideInput = false;
    bool reading = false;
    connect(m_line.get(), &SerialLine::commEvent, this, [&](int code) {
        eventInsideInput |= reading;
        if (code != SerialLine::EvReceive)
            return;
        reading = true;
        reads.append(m_line->input());
        reading = false;
    });

    QByteArray glued;
    for (int i = 0; i < frames; ++i)
        glued += frame(char('A' + i), length);
    QVERIFY(m_pty->write(glued));
    QTRY_COMPARE(reads.size(), frames);
    for (int i = 0; i < frames; ++i)
        QCOMPARE(reads.at(i), frame(char('A' + i), length));
    QVERIFY(!eventInsideInput);
    QCOMPARE(m_line->inBufferCount(), 0);
}

void TstQtSerialLine::laterArrivalRaisesAgain()
{
    m_line->setRThreshold(4);
    openLine();
    QSignalSpy events(m_line.get(), &SerialLine::commEvent);
    QVERIFY(m_pty->write("abcd"));
    QVERIFY(events.wait(5000));
    // Not read: the next byte finds the count still at the threshold.
    QVERIFY(m_pty->write("e"));
    QVERIFY(events.wait(5000));
    QCOMPARE(events.count(), 2);
    QCOMPARE(m_line->inBufferCount(), 5);
}

void TstQtSerialLine::inputLengthCapsARead()
{
    m_line->setInputLen(4);
    openLine();
    QVERIFY(m_pty->write("abcdefghij"));
    QTRY_COMPARE(m_line->inBufferCount(), 10);
    QCOMPARE(m_line->input(), QByteArray("abcd"));
    QCOMPARE(m_line->input(), QByteArray("efgh"));
    QCOMPARE(m_line->input(), QByteArray("ij"));
    QCOMPARE(m_line->input(), QByteArray());

    m_line->setInputLen(0);
    QVERIFY(m_pty->write("0123456789"));
    QTRY_COMPARE(m_line->inBufferCount(), 10);
    QCOMPARE(m_line->input(), QByteArray("0123456789"));
    QCOMPARE(m_line->setInputLen(-1), int(SerialLine::ErrInvalidProperty));
}

// A line nobody reads keeps a bounded backlog, the newest bytes of it.
void TstQtSerialLine::unreadBacklogKeepsTheNewest()
{
    openLine();
    QByteArray sent;
    for (int i = 0; i < 200 * 1024 / 16; ++i)
        sent += QByteArray::number(i).rightJustified(16, '.');
    for (qsizetype done = 0; done < sent.size(); done += 4096) {
        QVERIFY(m_pty->write(sent.mid(done, 4096)));
        QTest::qWait(1);
    }
    QTRY_COMPARE(m_line->inBufferCount(), 64 * 1024);
    QTest::qWait(100); // the last bytes are in too
    m_line->setInputLen(0);
    const QByteArray kept = m_line->input();
    QCOMPARE(kept.size(), 64 * 1024);
    QVERIFY(sent.endsWith(kept));
}

void TstQtSerialLine::outputReachesTheDevice()
{
    QCOMPARE(m_line->output("\x06"), int(SerialLine::ErrPortNotOpen));
    openLine();
    const QByteArray sent = QByteArray("\x06\x00\xff", 3);
    QCOMPARE(m_line->output(sent), 0);
    QByteArray received;
    QTRY_COMPARE((received += m_pty->readAvailable()), sent);
}

void TstQtSerialLine::outputKeepsItsOrder_data()
{
    QTest::addColumn<int>("size");
    QTest::newRow("taken by the driver at once") << 16;
    QTest::newRow("beyond the driver's buffer") << 1024 * 1024;
}

void TstQtSerialLine::outputKeepsItsOrder()
{
    QFETCH(int, size);
    openLine();
    QByteArray block(size, '\0');
    for (int i = 0; i < size; ++i)
        block[i] = char('a' + i % 26);
    QCOMPARE(m_line->output(block), 0);
    // Room in the driver again before the event loop turns: what waits
    // behind it must still go before the ACK.
    QByteArray received = m_pty->readAvailable();
    QCOMPARE(m_line->output("\x06"), 0);
    QTRY_COMPARE_WITH_TIMEOUT((received += m_pty->readAvailable()).size(), size + 1, 10000);
    QCOMPARE(received, block + "\x06");
}

void TstQtSerialLine::deviceLostClosesAndReopens()
{
    openLine();
    QSignalSpy events(m_line.get(), &SerialLine::commEvent);
    m_pty->closeMaster();
    QVERIFY(events.wait(5000));
    QCOMPARE(events.count(), 1);
    QCOMPARE(events.at(0).at(0).toInt(), int(SerialLine::EvDeviceLost));
    QVERIFY(!m_line->portOpen());
    QVERIFY(!m_line->lastErrorText().isEmpty());

    // The device comes back as a new pseudo-terminal behind the same link.
    PseudoTerminal back;
    QVERIFY(back.linkAs(m_dir->path(), Port));
    m_line->setRThreshold(3);
    openLine();
    QVERIFY(back.write("abc"));
    QVERIFY(events.wait(5000));
    QCOMPARE(events.last().at(0).toInt(), int(SerialLine::EvReceive));
    QCOMPARE(m_line->input(), QByteArray("abc"));
    m_line->setPortOpen(false);
}

void TstQtSerialLine::breakIsHarmless()
{
    QCOMPARE(m_line->setBreak(true), int(SerialLine::ErrPortNotOpen));
    openLine();
    // A pseudo-terminal may accept or refuse a break; either way the port
    // stays usable.
    const int on = m_line->setBreak(true);
    const int off = m_line->setBreak(false);
    QVERIFY(on == 0 || on == SerialLine::ErrSetCommState || on == SerialLine::ErrPortUnavailable);
    QVERIFY(off == 0 || off == SerialLine::ErrSetCommState || off == SerialLine::ErrPortUnavailable);
    QVERIFY(m_line->portOpen());
    QCOMPARE(m_line->output("x"), 0);
    QByteArray received;
    QTRY_COMPARE((received += m_pty->readAvailable()), QByteArray("x"));
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], "--hold") == 0)
        return holdPort(QString::fromLocal8Bit(argv[2]), QByteArray(argv[3]).toInt());
    TstQtSerialLine test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_qtserialline.moc"
