#pragma once

#include "link/DataStreamLog.h"
#include "link/LineKeeper.h"
#include "link/PortControl.h"
#include "link/ReceivePath.h"
#include "link/Recorder.h"
#include "link/StatusLine.h"

#include <QObject>

class Beeper;
class Clock;
class JournalGrid;
class LiveSettings;
class SerialLine;
class UserMessages;

// The link to the scale, as the main window owns it: port control, the
// receive path with its data-stream log, the decoder and the recorder.
class ScaleLink : public QObject
{
    Q_OBJECT

public:
    struct Surroundings {
        SerialLine &line; // MSComm1
        const LiveSettings &settings;
        JournalGrid &journal;
        UserMessages &messages;
        const Clock &clock;
        Beeper &beeper;
        Recorder::Window window;
    };

    explicit ScaleLink(Surroundings surroundings, QObject *parent = nullptr);

    int PreparePort(int portNumber) { return m_port.PreparePort(portNumber); }
    void StartReading();
    void StopReading();
    // The program closes: a lost line is retried no more.
    void endReception() { m_keeper.stopped(); }
    // An event of the serial port.
    void MSComm1_OnComm(int code);

    // Off, receiving, or lost and waiting for the device; stateChanged()
    // tells every change.
    LineKeeper::State linkState() const { return m_keeper.state(); }
    LineKeeper &keeper() { return m_keeper; }
    StatusLine &statusLine() { return m_status; }

    // Decodes one received chunk by the configured scale type and hands the
    // reading to the recorder. A chunk that does not start a frame is dropped
    // and the port reopened to find the frame start again. Takes any text.
    void ReadFrom_Unit(const QString &chunk);

    DataStreamLog &dataStream() { return m_log; }

signals:
    // Every frame that decodes, recorded or not, before the recorder sees it.
    void decoded(const ScaleReading &reading);

public:
    Recorder &recorder() { return m_recorder; }

private:
    SerialLine &m_line;
    const LiveSettings &m_settings;
    UserMessages &m_messages;
    StatusLine m_status;
    PortControl m_port;
    DataStreamLog m_log;
    Recorder m_recorder;
    ReceivePath m_receive;
    LineKeeper m_keeper;
};
