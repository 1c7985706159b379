#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

class Clock;
class DataStreamLog;
class SerialLine;
class UserMessages;

// The events of the serial port while reception is on. A receive event has
// its chunk handled 10 ms later, from a timer: the chunk is read, answered
// with ACK when it holds an ENQ, entered in the data-stream log and handed to
// the decoder. Chunks are handled one at a time, each once, in the order they
// came: events that come while one is pending coalesce, and after a chunk the
// next one that already waits whole is handled at once. Nothing lets events
// run in the middle of a chunk but the decoder's message boxes, which come
// after the port was closed; receive events meanwhile start nothing, so the
// handling is never re-entered.
class ReceivePath : public QObject
{
    Q_OBJECT

public:
    using Decoder = std::function<void(const QString &chunk)>;

    static constexpr int DeferralMs = 10;

    ReceivePath(SerialLine &line, DataStreamLog &log, const Clock &clock, UserMessages &messages, Decoder decode,
                QObject *parent = nullptr);

    void MSComm1_OnComm(int code);

private:
    void handleWaitingChunks();
    bool handleChunk();
    bool frameWaiting() const;
    void warnLinkBroken();

    SerialLine &m_line;
    DataStreamLog &m_log;
    const Clock &m_clock;
    UserMessages &m_messages;
    Decoder m_decode;
    QTimer m_deferral;
    bool m_handling = false;
};
