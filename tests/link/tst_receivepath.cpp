#include "link/DataStreamLog.h"
#include "link/ReceivePath.h"
#include "support/FakeSerialLine.h"
#include "support/FakeUserMessages.h"
#include "support/FixedClock.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

constexpr int FrameLength = 16;

// A 16-byte frame: SOH STX, then text padded with blanks.
QByteArray frame(const QByteArray &text)
{
    return (QByteArray("\x01\x02") + text).leftJustified(FrameLength, ' ', true);
}

// Frames of the weights 0, 1, 2, ... as the decoder gets them.
QList<QString> numberedFrames(int count)
{
    QList<QString> frames;
    for (int i = 0; i < count; ++i)
        frames << QString::fromLatin1(frame("S   " + QByteArray::number(i) + ".000kg"));
    return frames;
}

const QString Warning = QStringLiteral("Разрав связи с весами!");

} // namespace

class TstReceivePath : public QObject
{
    Q_OBJECT

    std::unique_ptr<FakeSerialLine> m_line;
    std::unique_ptr<DataStreamLog> m_log;
    FixedClock m_clock;
    FakeUserMessages m_messages;
    std::unique_ptr<ReceivePath> m_path;
    QList<QString> m_decoded;
    // What the decoder does with each chunk, after noting it.
    std::function<void(const QString &)> m_onDecode;
    int m_depth = 0;
    int m_maxDepth = 0;

private slots:
    void init();
    void entryFormat_data();
    void entryFormat();
    void entriesNewestFirst();
    void shownWithVisibleControls();
    void logKeepsTheNewest();
    void benchmarkAddToAFullLog();
    void handledLaterFromATimer();
    void ackForEveryChunkWithEnq_data();
    void ackForEveryChunkWithEnq();
    void gluedFramesEachOnceInOrder();
    void framesArrivingWhileHandling();
    void noReentryWhenTheDecoderRunsEvents();
    void portClosedMeanwhile();
    void staleEventReadsNothing();
    void breakWarns();
    void deviceLost();
};

void TstReceivePath::init()
{
    m_path.reset();
    m_line = std::make_unique<FakeSerialLine>();
    m_log = std::make_unique<DataStreamLog>();
    m_messages.clear();
    m_decoded.clear();
    m_onDecode = nullptr;
    m_depth = m_maxDepth = 0;
    m_path = std::make_unique<ReceivePath>(*m_line, *m_log, m_clock, m_messages, [this](const QString &chunk) {
        m_maxDepth = std::max(m_maxDepth, ++m_depth);
        m_decoded << chunk;
        if (m_onDecode)
            m_onDecode(chunk);
        --m_depth;
    });
    connect(m_line.get(), &SerialLine::commEvent, m_path.get(), &ReceivePath::MSComm1_OnComm);
    m_line->setInputLen(FrameLength);
    m_line->setRThreshold(FrameLength);
    m_line->setPortOpen(true);
}

void TstReceivePath::entryFormat_data()
{
    QTest::addColumn<QString>("chunk");
    QTest::addColumn<QTime>("time");
    QTest::addColumn<QString>("entry");

    QTest::newRow("ABC") << "ABC" << QTime(9, 5, 7) << ">>ABC;   количество байт:3   09:05:07\r\n";
    QTest::newRow("empty") << "" << QTime(9, 5, 7) << ">>;   количество байт:0   09:05:07\r\n";
    const QString raw = QString::fromLatin1(frame("S   1.000kg"));
    QTest::newRow("SOH STX raw") << raw << QTime(23, 59, 59) << ">>" + raw + ";   количество байт:16   23:59:59\r\n";
}

void TstReceivePath::entryFormat()
{
    QFETCH(QString, chunk);
    QFETCH(QTime, time);
    QTEST(DataStreamLog::entry(chunk, time), "entry");
}

void TstReceivePath::entriesNewestFirst()
{
    m_log->add(QStringLiteral("A"), QTime(23, 59, 59));
    m_log->add(QStringLiteral("B"), QTime(0, 0, 1));
    QCOMPARE(m_log->text(), QStringLiteral(">>B;   количество байт:1   00:00:01\r\n"
                                           ">>A;   количество байт:1   23:59:59\r\n"));
    QCOMPARE(m_log->index(0).data(DataStreamLog::RawRole).toString(),
             QStringLiteral(">>B;   количество байт:1   00:00:01\r\n"));
}

void TstReceivePath::shownWithVisibleControls()
{
    m_log->add(QStringLiteral("\x01\x02S\x05\x7F") + QChar(0x98) + QStringLiteral("Вес"), QTime(1, 2, 3));
    QCOMPARE(m_log->index(0).data().toString(),
             QStringLiteral(">><SOH><STX>S<ENQ><DEL><98>Вес;   количество байт:9   01:02:03"));
}

void TstReceivePath::logKeepsTheNewest()
{
    DataStreamLog log(3);
    QSignalSpy removed(&log, &QAbstractItemModel::rowsRemoved);
    for (int i = 1; i <= 5; ++i)
        log.add(QString::number(i), QTime(12, 0, i));
    QCOMPARE(log.count(), 3);
    QCOMPARE(log.rowCount(), 3);
    QCOMPARE(removed.count(), 2);
    QVERIFY(log.text().startsWith(QStringLiteral(">>5;")));
    QVERIFY(log.text().contains(QStringLiteral(">>3;")));
    QVERIFY(!log.text().contains(QStringLiteral(">>2;")));

    // A bigger log drops its oldest entries some at a time, never below its
    // capacity, never beyond a tenth more.
    DataStreamLog big(50);
    QSignalSpy bigRemoved(&big, &QAbstractItemModel::rowsRemoved);
    for (int i = 1; i <= 500; ++i) {
        big.add(QString::number(i), QTime(12, 0));
        QVERIFY(big.count() == std::min(i, 50) || (big.count() > 50 && big.count() <= 55));
        QVERIFY(big.text().startsWith(QStringLiteral(">>%1;").arg(i)));
    }
    QCOMPARE(bigRemoved.count(), (500 - 50) / 6);
    QVERIFY(big.text().contains(QStringLiteral(">>451;")));
}

// The cost of one chunk once the log is full: the same after a day.
void TstReceivePath::benchmarkAddToAFullLog()
{
    const QString chunk = QString::fromLatin1(frame("S  12.500kg"));
    for (int i = 0; i < DataStreamLog::DefaultCapacity; ++i)
        m_log->add(chunk, QTime(12, 0));
    QBENCHMARK {
        m_log->add(chunk, QTime(12, 0));
    }
    QVERIFY(m_log->count() >= DataStreamLog::DefaultCapacity);
    QVERIFY(m_log->count() <= DataStreamLog::DefaultCapacity * 11 / 10);
}

void TstReceivePath::handledLaterFromATimer()
{
    m_line->feed(frame("S   1.000kg"));
    QCoreApplication::processEvents(); // the receive event: the chunk waits for the timer
    QVERIFY(m_decoded.isEmpty());
    QTRY_COMPARE(m_decoded.size(), 1);
    QCOMPARE(m_decoded.first(), QString::fromLatin1(frame("S   1.000kg")));
    QCOMPARE(m_log->count(), 1);
}

void TstReceivePath::ackForEveryChunkWithEnq_data()
{
    QTest::addColumn<QByteArray>("chunk");
    QTest::addColumn<int>("acks");
    QByteArray atEnd = frame("S   1.000kg");
    atEnd[FrameLength - 1] = '\x05';
    QByteArray inside = frame("S\x05  1.000kg");
    QByteArray two = atEnd;
    two[5] = '\x05';
    QTest::newRow("ENQ at the end") << atEnd << 1;
    QTest::newRow("ENQ inside") << inside << 1;
    QTest::newRow("two ENQ") << two << 1;
    QTest::newRow("no ENQ") << frame("S   1.000kg") << 0;
}

void TstReceivePath::ackForEveryChunkWithEnq()
{
    QFETCH(QByteArray, chunk);
    QFETCH(int, acks);
    QList<int> acksWhenDecoded;
    m_onDecode = [&](const QString &) { acksWhenDecoded << int(m_line->outputs().size()); };
    m_line->feed(chunk + chunk);
    QTRY_COMPARE(m_decoded.size(), 2);
    QCOMPARE(m_line->outputs(), QList<QByteArray>(acks * 2, QByteArray("\x06")));
    QCOMPARE(acksWhenDecoded, (QList<int>{acks, 2 * acks})); // sent before the chunk is decoded
}

void TstReceivePath::gluedFramesEachOnceInOrder()
{
    const QList<QString> sent = numberedFrames(5);
    QByteArray glued = sent.join(QString()).toLatin1();
    glued += "\x01\x02S"; // the start of a sixth: waits for the rest
    m_line->feed(glued);
    QTRY_COMPARE(m_decoded.size(), 5);
    QCOMPARE(m_decoded, sent);
    QCOMPARE(m_line->inBufferCount(), 3);
    QCOMPARE(m_log->count(), 5);
}

void TstReceivePath::framesArrivingWhileHandling()
{
    const QList<QString> sent = numberedFrames(6);
    int next = 1;
    // Each chunk being handled, the next frame arrives, twice as fast as the
    // handling goes.
    m_onDecode = [&](const QString &) {
        for (int k = 0; k < 2 && next < sent.size(); ++k)
            m_line->feed(sent[next++].toLatin1());
    };
    m_line->feed(sent[0].toLatin1());
    QTRY_COMPARE(m_decoded.size(), sent.size());
    QTest::qWait(50); // late events find nothing more
    QCOMPARE(m_decoded, sent);
    QCOMPARE(m_maxDepth, 1);
}

void TstReceivePath::noReentryWhenTheDecoderRunsEvents()
{
    const QList<QString> sent = numberedFrames(4);
    int next = 1;
    // As a message box would: events run while the chunk is being handled,
    // and meanwhile the next frame comes and its receive event is raised.
    m_onDecode = [&](const QString &) {
        if (next < sent.size())
            m_line->feed(sent[next++].toLatin1());
        QTest::qWait(2 * ReceivePath::DeferralMs);
    };
    m_line->feed(sent[0].toLatin1());
    QTRY_COMPARE(m_decoded.size(), sent.size());
    QCOMPARE(m_decoded, sent);
    QCOMPARE(m_maxDepth, 1);
}

void TstReceivePath::portClosedMeanwhile()
{
    m_line->feed(frame("S   1.000kg"));
    QCoreApplication::processEvents();
    m_line->setPortOpen(false);
    QTest::qWait(3 * ReceivePath::DeferralMs);
    QVERIFY(m_decoded.isEmpty());
    QCOMPARE(m_log->count(), 0);
}

void TstReceivePath::staleEventReadsNothing()
{
    m_line->feed("\x01\x02S  ");
    m_line->emitEvent(SerialLine::EvReceive);
    QTest::qWait(3 * ReceivePath::DeferralMs);
    QVERIFY(m_decoded.isEmpty());
    QCOMPARE(m_line->inBufferCount(), 5);
}

void TstReceivePath::breakWarns()
{
    m_line->emitEvent(SerialLine::EvBreak);
    QCOMPARE(m_messages.messages().size(), 1);
    const FakeUserMessages::Message &m = m_messages.messages().first();
    QCOMPARE(m.text, Warning);
    QCOMPARE(m.icon, UserMessages::Icon::Warning);
    QCOMPARE(m.buttons, UserMessages::Buttons::Ok);
    QCOMPARE(m.title, QStringLiteral("Tarovik_RS232"));
    QVERIFY(m_line->portOpen());
    QCOMPARE(m_log->count(), 0);

    m_line->emitEvent(1); // any other code does nothing
    QCOMPARE(m_messages.messages().size(), 1);
}

void TstReceivePath::deviceLost()
{
    m_line->feed(frame("S   1.000kg"));
    QTRY_COMPARE(m_decoded.size(), 1);
    m_line->feed(frame("S   2.000kg"));
    QCoreApplication::processEvents(); // pending when the device goes
    m_line->loseDevice();
    QCOMPARE(m_messages.texts(), QStringList{Warning});
    QVERIFY(!m_line->portOpen());
    QTest::qWait(3 * ReceivePath::DeferralMs);
    QCOMPARE(m_decoded.size(), 1);

    // Back again: reception goes on.
    m_line->setPortOpen(true);
    m_line->feed(frame("S   3.000kg"));
    QTRY_COMPARE(m_decoded.size(), 2);
}

QTEST_GUILESS_MAIN(TstReceivePath)
#include "tst_receivepath.moc"
