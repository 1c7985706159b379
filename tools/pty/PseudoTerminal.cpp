#include "pty/PseudoTerminal.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <utility>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

PseudoTerminal::PseudoTerminal()
{
    termios raw {};
    ::cfmakeraw(&raw);
    char name[256] = {};
    if (::openpty(&m_master, &m_slave, name, &raw, nullptr) != 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        m_master = m_slave = -1;
        return;
    }
    ::tcsetattr(m_master, TCSANOW, &raw);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    // A child process holding the master would keep the device "plugged in".
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
    ::fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    m_slavePath = QString::fromLocal8Bit(name);
}

PseudoTerminal::~PseudoTerminal()
{
    if (!m_linkPath.isEmpty() && QFileInfo(m_linkPath).symLinkTarget() == m_slavePath)
        QFile::remove(m_linkPath);
    releaseSlave();
    closeMaster();
}

bool PseudoTerminal::linkAs(const QString &folder, int number)
{
    const QString dir = QDir(folder).filePath(QStringLiteral("ports"));
    const QString link = QDir(dir).filePath(QStringLiteral("COM%1").arg(number));
    if (!QDir().mkpath(dir)) {
        m_error = QStringLiteral("cannot create %1").arg(dir);
        return false;
    }
    QFile::remove(link); // a dangling link counts as existing for link()
    if (!QFile::link(m_slavePath, link)) {
        m_error = QStringLiteral("cannot create the link %1").arg(link);
        return false;
    }
    m_linkPath = link;
    return true;
}

void PseudoTerminal::releaseSlave()
{
    if (m_slave >= 0)
        ::close(m_slave);
    m_slave = -1;
}

bool PseudoTerminal::peerOpen() const
{
    if (m_master < 0)
        return false;
    pollfd p {m_master, POLLIN, 0};
    // The master reads as hung up while no descriptor of the slave is open.
    return ::poll(&p, 1, 0) >= 0 && !(p.revents & POLLHUP);
}

bool PseudoTerminal::write(const QByteArray &bytes, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
        } else if (n < 0 && errno == EAGAIN && !deadline.hasExpired()) {
            pollfd p {m_master, POLLOUT, 0};
            ::poll(&p, 1, int(deadline.remainingTime()));
        } else if (!(n < 0 && errno == EINTR)) {
            return false;
        }
    }
    return true;
}

QByteArray PseudoTerminal::readAvailable()
{
    QByteArray all;
    char chunk[4096];
    ssize_t n;
    while (m_master >= 0 && (n = ::read(m_master, chunk, sizeof chunk)) > 0) {
        if (!m_packetMode) {
            all.append(chunk, n);
        } else if (chunk[0] == TIOCPKT_DATA) { // each read is one packet: its first byte says which
            all.append(chunk + 1, n - 1);
        } else if (chunk[0] & TIOCPKT_FLUSHREAD) {
            m_inputCleared = true;
        }
    }
    return all;
}

bool PseudoTerminal::setPacketMode(bool on)
{
    int value = on ? 1 : 0;
    if (m_master < 0 || ::ioctl(m_master, TIOCPKT, &value) != 0)
        return false;
    m_packetMode = on;
    return true;
}

bool PseudoTerminal::takeInputCleared()
{
    return std::exchange(m_inputCleared, false);
}

void PseudoTerminal::closeMaster()
{
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}
