#pragma once

#include <QByteArray>
#include <QString>

// A pseudo-terminal pair standing in for a serial device: the program opens
// the slave side as its port, the test (or the virtual scale) plays the device
// on the master side. Both sides are raw, so bytes pass unchanged.
class PseudoTerminal
{
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    bool isValid() const { return m_master >= 0; }
    QString errorText() const { return m_error; }
    QString slavePath() const { return m_slavePath; }
    int masterFd() const { return m_master; }
    // The slave descriptor this object keeps open (-1 after releaseSlave()),
    // for looking at the line settings the port applied.
    int slaveFd() const { return m_slave; }

    // Creates "<folder>/ports/COMn" pointing at the slave, replacing what was
    // there; the destructor removes it while it still points here.
    bool linkAs(const QString &folder, int number);

    // Closes the slave descriptor kept since creation, so that peerOpen()
    // tells whether anybody else has the port open.
    void releaseSlave();
    bool peerOpen() const;

    // Writes everything, waiting up to timeoutMs while the line is full
    // (nobody reads); false on error or timeout, possibly after a part.
    bool write(const QByteArray &bytes, int timeoutMs = 5000);
    // What waits on the master side now, without waiting.
    QByteArray readAvailable();

    // Packet mode: the master also learns when the port clears its input
    // (tcflush), as a program does when it opens the line. Off by default.
    bool setPacketMode(bool on);
    // Whether the port cleared its input since the last call (packet mode,
    // as seen by readAvailable()).
    bool takeInputCleared();

    // Closes the master: to the port this is a device pulled out.
    void closeMaster();

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
    QString m_linkPath;
    QString m_error;
    bool m_packetMode = false;
    bool m_inputCleared = false;
};
