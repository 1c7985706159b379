#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

// The serial port as the scale link and the port scan use it: the operations
// of a classic serial communications control, nothing more. The real port is
// QtSerialLine; tests drive the logic through a scripted fake.
class SerialLine : public QObject
{
    Q_OBJECT

public:
    // Codes of commEvent().
    enum Event {
        EvReceive = 2,       // at least RThreshold characters are waiting
        EvBreak = 1001,      // a break signal was received on the line
        EvDeviceLost = 1100, // the device went away (adapter pulled out); the port is closed
    };

    // Error codes returned by the operations (0 is success).
    enum Error {
        NoError = 0,
        ErrInvalidPortNumber = 8002, // no such port
        ErrPortAlreadyOpen = 8005,
        ErrPortUnavailable = 8010,   // exists but cannot be opened (held by another program, no permission)
        ErrSetCommState = 8015,      // a line setting was refused
        ErrPortNotOpen = 8018,       // the operation needs an open port
        ErrInvalidProperty = 380,    // a property value out of range or malformed
    };

    using QObject::QObject;
    ~SerialLine() override = default;

    // Port number n names COMn. Only while the port is closed.
    virtual int setCommPort(int number) = 0;
    virtual int commPort() const = 0;

    // Line settings "baud,parity,data,stop", for example "9600,N,8,1".
    virtual int setSettings(const QString &settings) = 0;
    virtual QString settings() const = 0;

    // Most characters one input() returns; 0 means all that wait.
    virtual int setInputLen(int length) = 0;
    // Characters that must wait before EvReceive is raised; 0 disables it.
    virtual int setRThreshold(int threshold) = 0;
    virtual int rThreshold() const = 0;
    virtual int setInBufferSize(int size) = 0;

    // Opens (true) or closes (false) the port. Opening an open port gives
    // ErrPortAlreadyOpen; closing a closed one succeeds.
    virtual int setPortOpen(bool open) = 0;
    virtual bool portOpen() const = 0;

    // Characters waiting to be read.
    virtual int inBufferCount() const = 0;
    // Reads and removes up to InputLen waiting bytes (empty when closed).
    virtual QByteArray input() = 0;
    virtual int output(const QByteArray &data) = 0;
    // Puts the transmit line into (true) or out of (false) the break state.
    virtual int setBreak(bool on) = 0;

    // A readable description of the last failed operation.
    virtual QString lastErrorText() const = 0;

signals:
    // EvReceive may come from inside the port's own notification: its
    // receivers must neither let events run nor close or reopen the port
    // there (the receive path only starts its timer).
    void commEvent(int code);
};
