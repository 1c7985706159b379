#pragma once

#include "link/LineSettings.h"
#include "link/ReceiveThreshold.h"
#include "common/SerialLine.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QStringList>

// A scripted serial line for the logic tests: which ports exist and which are
// held by another program, bytes fed in as if a device sent them, injected
// failures, and a log of every operation in the order it was called, e.g.
// "CommPort=3", "Settings=9600,N,8,1", "InputLen=16", "RThreshold=16",
// "InBufferSize=37", "Open", "Close", "Input", "Output=\x06", "Break=1".
//
// EvReceive follows the real line's threshold (ReceiveThreshold) but always
// comes from the event loop, after feed() or after an input() that leaves a
// frame waiting, so let events run (QTRY_*, QSignalSpy::wait, processEvents)
// after feeding. (The real line raises it at once for data the port
// announces; tst_qtserialline drives that.)
class FakeSerialLine : public SerialLine
{
public:
    explicit FakeSerialLine(QObject *parent = nullptr);

    // Ports whose open succeeds (default: port 1 only); any other gives 8002.
    void setExistingPorts(const QSet<int> &ports) { m_existing = ports; }
    // Existing ports another program holds: open gives 8010.
    void setHeldPorts(const QSet<int> &ports) { m_held = ports; }
    // Makes the operation named as in the log ("Settings", "Open", ...)
    // return code from now on; code 0 lifts it.
    void failOn(const QString &operation, int code);

    // Bytes the device sends. Lost while the port is closed, as on a line.
    void feed(const QByteArray &bytes);
    void emitEvent(int code) { emit commEvent(code); }
    // The device went away: the port closes and EvDeviceLost follows.
    void loseDevice();

    QStringList log() const { return m_log; }
    void clearLog() { m_log.clear(); }
    QList<QByteArray> outputs() const { return m_outputs; }
    int inputLen() const { return m_inputLen; }
    int inBufferSize() const { return m_inBufferSize; }
    bool breakOn() const { return m_break; }

    int setCommPort(int number) override;
    int commPort() const override { return m_commPort; }
    int setSettings(const QString &settings) override;
    QString settings() const override { return m_settings; }
    int setInputLen(int length) override;
    int setRThreshold(int threshold) override;
    int rThreshold() const override { return m_threshold.threshold(); }
    int setInBufferSize(int size) override;
    int setPortOpen(bool open) override;
    bool portOpen() const override { return m_open; }
    int inBufferCount() const override { return m_open ? int(m_waiting.size()) : 0; }
    QByteArray input() override;
    int output(const QByteArray &data) override;
    int setBreak(bool on) override;
    QString lastErrorText() const override { return m_lastError; }

private:
    // Logs the call; returns the injected code or the one of the first
    // failing check.
    int call(const QString &operation, const QString &argument, int failure = NoError);

    ReceiveThreshold m_threshold;
    QSet<int> m_existing{1};
    QSet<int> m_held;
    QHash<QString, int> m_failures;
    QStringList m_log;
    QList<QByteArray> m_outputs;
    QByteArray m_waiting;
    int m_commPort = 1;
    QString m_settings = QStringLiteral("9600,N,8,1");
    int m_inputLen = 0;
    int m_inBufferSize = 1024;
    bool m_open = false;
    bool m_break = false;
    QString m_lastError;
};
