#pragma once

#include "common/SerialLine.h"
#include "link/LineSettings.h"
#include "link/PortLocator.h"
#include "link/ReceiveThreshold.h"

#include <QSerialPort>

// The real serial port, over QSerialPort. Port number n is found by
// PortLocator in the program folder (ports/COMn) or as the system's own port.
//
// Line control: no flow control, and DTR and RTS as QSerialPort leaves them at
// open; scales of these types use neither.
//
// Qt does not report a received break on Linux (nothing tells a break from a
// NUL byte there), so this line never raises EvBreak.
class QtSerialLine : public SerialLine
{
    Q_OBJECT

public:
    explicit QtSerialLine(const QString &programFolder, QObject *parent = nullptr);
    ~QtSerialLine() override;

    int setCommPort(int number) override;
    int commPort() const override { return m_commPort; }
    int setSettings(const QString &settings) override;
    QString settings() const override { return m_settingsText; }
    int setInputLen(int length) override;
    int setRThreshold(int threshold) override;
    int rThreshold() const override { return m_threshold.threshold(); }
    int setInBufferSize(int size) override;
    int setPortOpen(bool open) override;
    bool portOpen() const override { return m_port.isOpen(); }
    int inBufferCount() const override;
    QByteArray input() override;
    int output(const QByteArray &data) override;
    int setBreak(bool on) override;
    QString lastErrorText() const override { return m_lastError; }

private:
    int open();
    void close();
    bool applyTo(const LineSettings &settings);
    bool deviceExists(const QString &path) const;
    void onReadyRead();
    void onPortError(QSerialPort::SerialPortError error);
    void onDeviceLost(quint64 session);
    int fail(int code, const QString &text);
    int failFromPort(const QString &what);
    QString portLabel() const;

    PortLocator m_locator;
    QSerialPort m_port;
    ReceiveThreshold m_threshold;
    int m_commPort = 1;
    QString m_settingsText = QStringLiteral("9600,N,8,1");
    LineSettings m_settings;
    int m_inputLen = 0;
    int m_inBufferSize = 1024;
    QString m_lastError;
    quint64 m_session = 0; // counts the openings
    bool m_lossPending = false;
};
