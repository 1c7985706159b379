#pragma once

#include "FrameCycle.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class PseudoTerminal;

// Plays the scale on the master side of a pseudo-terminal: one whole frame
// per write, back to back at 9600 baud 8N1 (960 bytes/s) or one every
// interval, while somebody has the port open — a closed port hears nothing,
// so the scale waits rather than filling the line with stale frames. Counts
// the ACKs that come back.
class VirtualScale : public QObject
{
    Q_OBJECT

public:
    struct Options {
        int intervalMs = 0;   // 0: at line rate
        qint64 count = 0;     // frames to send; 0: no limit
        bool expectAcks = false;
        bool stayAfterCount = false; // after count frames keep the line up, silent, until stopped
    };

    VirtualScale(PseudoTerminal &line, FrameCycle frames, Options options,
                 QObject *parent = nullptr);

    void start();
    // Ends the run, keeping the line up a little for the last frames to be
    // read and, with ACKs expected, for their answers.
    void stop();

    qint64 framesSent() const { return m_sent; }
    qint64 acksReceived() const { return m_acks; }

signals:
    void finished();
    // A whole frame went onto the line.
    void sent();

private:
    void tick();
    void send();
    void readAcks();
    void linger();

    PseudoTerminal &m_line;
    FrameCycle m_frames;
    Options m_options;
    QTimer m_timer;
    QElapsedTimer m_clock;   // runs while a listener is there
    QElapsedTimer m_listenerSince; // a listener came and is awaited to clear its input
    qint64 m_dueNs = 0;      // when the next frame is due, on m_clock
    QElapsedTimer m_lingerClock;
    qint64 m_sent = 0;
    qint64 m_acks = 0;
    bool m_stopping = false;
    bool m_warned = false;
};
