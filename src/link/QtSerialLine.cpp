#include "link/QtSerialLine.h"

#include <QSerialPortInfo>

#include <algorithm>
#include <cerrno>

#include <unistd.h>

namespace {

constexpr int MaxPortNumber = 255;

// Bytes allowed to wait unread before the oldest are dropped; InBufferSize
// only raises it. QSerialPort's own read buffer stays unlimited: a limited one
// stops reading from the device once it is full and may not start again when
// the reader drains it, which would stall the line for good. Dropping the
// oldest bytes instead keeps memory bounded when nobody reads (a minute of data
// at 9600 baud fits) and loses only stale readings.
constexpr qint64 MinWaitingLimit = 64 * 1024;

QSerialPort::Parity toQt(LineSettings::Parity parity)
{
    switch (parity) {
    case LineSettings::Parity::None: return QSerialPort::NoParity;
    case LineSettings::Parity::Even: return QSerialPort::EvenParity;
    case LineSettings::Parity::Odd: return QSerialPort::OddParity;
    case LineSettings::Parity::Mark: return QSerialPort::MarkParity;
    case LineSettings::Parity::Space: return QSerialPort::SpaceParity;
    }
    return QSerialPort::NoParity;
}

QSerialPort::StopBits toQt(LineSettings::StopBits stop)
{
    switch (stop) {
    case LineSettings::StopBits::One: return QSerialPort::OneStop;
    case LineSettings::StopBits::OneAndHalf: return QSerialPort::OneAndHalfStop;
    case LineSettings::StopBits::Two: return QSerialPort::TwoStop;
    }
    return QSerialPort::OneStop;
}

int codeFor(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::NoError: return SerialLine::NoError;
    case QSerialPort::DeviceNotFoundError: return SerialLine::ErrInvalidPortNumber;
    case QSerialPort::OpenError: return SerialLine::ErrPortAlreadyOpen;
    case QSerialPort::NotOpenError: return SerialLine::ErrPortNotOpen;
    case QSerialPort::UnsupportedOperationError: return SerialLine::ErrSetCommState;
    default: return SerialLine::ErrPortUnavailable; // the device fails us
    }
}

// A hung-up tty reads as end of file, which QSerialPort reports as ReadError
// (a pulled USB adapter, a closed pty master); EIO comes as ResourceError.
bool deviceGone(QSerialPort::SerialPortError error)
{
    return error == QSerialPort::ResourceError || error == QSerialPort::ReadError;
}

} // namespace

QtSerialLine::QtSerialLine(const QString &programFolder, QObject *parent)
    : SerialLine(parent)
    , m_locator(programFolder)
    , m_threshold([this] { return qint64(inBufferCount()); })
{
    m_settings = *LineSettings::parse(m_settingsText);
    connect(&m_port, &QSerialPort::readyRead, this, &QtSerialLine::onReadyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialLine::onPortError);
    connect(&m_threshold, &ReceiveThreshold::reached, this, [this] { emit commEvent(EvReceive); });
}

QtSerialLine::~QtSerialLine() = default;

int QtSerialLine::setCommPort(int number)
{
    if (m_port.isOpen())
        return fail(ErrPortAlreadyOpen, QStringLiteral("Port already open"));
    if (number < 1 || number > MaxPortNumber)
        return fail(ErrInvalidPortNumber, QStringLiteral("Invalid port number %1").arg(number));
    m_commPort = number;
    return NoError;
}

int QtSerialLine::setSettings(const QString &settings)
{
    const auto parsed = LineSettings::parse(settings);
    if (!parsed)
        return fail(ErrInvalidProperty, QStringLiteral("Invalid line settings \"%1\"").arg(settings));
    if (m_port.isOpen() && !applyTo(*parsed)) {
        const int code = failFromPort(QStringLiteral("Could not set \"%1\"").arg(settings));
        applyTo(m_settings);
        return code;
    }
    m_settings = *parsed;
    m_settingsText = settings;
    return NoError;
}

int QtSerialLine::setInputLen(int length)
{
    if (length < 0)
        return fail(ErrInvalidProperty, QStringLiteral("Invalid input length %1").arg(length));
    m_inputLen = length;
    return NoError;
}

int QtSerialLine::setRThreshold(int threshold)
{
    if (threshold < 0)
        return fail(ErrInvalidProperty, QStringLiteral("Invalid receive threshold %1").arg(threshold));
    m_threshold.setThreshold(threshold);
    m_threshold.poke();
    return NoError;
}

int QtSerialLine::setInBufferSize(int size)
{
    if (size <= 0)
        return fail(ErrInvalidProperty, QStringLiteral("Invalid buffer size %1").arg(size));
    m_inBufferSize = size;
    return NoError;
}

int QtSerialLine::setPortOpen(bool open)
{
    if (!open) {
        close();
        return NoError;
    }
    if (m_port.isOpen())
        return fail(ErrPortAlreadyOpen, QStringLiteral("Port already open"));
    return this->open();
}

int QtSerialLine::open()
{
    const QString path = m_locator.devicePath(m_commPort);
    if (path.isEmpty())
        return fail(ErrInvalidPortNumber,
                    QStringLiteral("%1 does not exist: %2 points to a missing device")
                        .arg(portLabel(), m_locator.linkPath(m_commPort)));
    if (!deviceExists(path))
        return fail(ErrInvalidPortNumber,
                    QStringLiteral("%1 does not exist (%2)").arg(portLabel(), path));

    m_port.setPortName(path);
    applyTo(m_settings); // stored while closed, applied by open()
    if (!m_port.open(QIODevice::ReadWrite))
        return failFromPort(QStringLiteral("Could not open %1 (%2)").arg(portLabel(), path));
    // A fresh line holds nothing sent before it was opened, as a UART that was
    // not listening; a pseudo-terminal would otherwise keep it.
    m_port.clear(QSerialPort::Input);
    ++m_session;
    return NoError;
}

void QtSerialLine::close()
{
    if (m_port.isOpen())
        m_port.close();
}

bool QtSerialLine::applyTo(const LineSettings &s)
{
    return m_port.setBaudRate(s.baudRate)
        && m_port.setParity(toQt(s.parity))
        && m_port.setDataBits(QSerialPort::DataBits(s.dataBits))
        && m_port.setStopBits(toQt(s.stopBits));
}

bool QtSerialLine::deviceExists(const QString &path) const
{
    if (!PortLocator::isLegacyUartNode(path))
        return true; // a missing device shows as DeviceNotFoundError at open
    // The list leaves out the ttyS nodes that have no UART behind them.
    const auto ports = QSerialPortInfo::availablePorts();
    return std::any_of(ports.begin(), ports.end(), [&](const QSerialPortInfo &info) {
        return info.systemLocation() == path;
    });
}

int QtSerialLine::inBufferCount() const
{
    return m_port.isOpen() ? int(m_port.bytesAvailable()) : 0;
}

QByteArray QtSerialLine::input()
{
    if (!m_port.isOpen())
        return {};
    const QByteArray data = m_inputLen > 0 ? m_port.read(m_inputLen) : m_port.readAll();
    // What is left may be another whole frame; nothing left needs no look
    // (bytes that come later announce themselves).
    if (m_port.bytesAvailable() > 0)
        m_threshold.poke();
    return data;
}

int QtSerialLine::output(const QByteArray &data)
{
    if (!m_port.isOpen())
        return fail(ErrPortNotOpen, QStringLiteral("Operation valid only when the port is open"));
    const auto queue = [this](const char *bytes, qint64 size) {
        return m_port.write(bytes, size) == size
            ? NoError
            : failFromPort(QStringLiteral("Could not send to %1").arg(portLabel()));
    };
    // What the driver takes at once goes straight to it: through
    // QSerialPort's buffer an ACK costs two more turns of the event loop
    // (its write notifier on and off), sixty times a second at line rate.
    // Bytes still queued there go first, to keep the order.
    if (m_port.bytesToWrite() == 0) {
        qint64 taken;
        do
            taken = ::write(m_port.handle(), data.constData(), size_t(data.size()));
        while (taken < 0 && errno == EINTR);
        if (taken < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            taken = 0;
        // A full driver takes the rest from the event loop; a failing
        // device is reported by QSerialPort below.
        if (taken >= 0)
            return taken == data.size() ? NoError : queue(data.constData() + taken, data.size() - taken);
    }
    if (const int code = queue(data.constData(), data.size()))
        return code;
    // Hand the bytes to the driver now if it takes them without waiting, so
    // that a close right after (a resynchronisation) does not drop them from
    // QSerialPort's buffer; the rest goes out from the event loop.
    m_port.flush();
    return NoError;
}

int QtSerialLine::setBreak(bool on)
{
    if (!m_port.isOpen())
        return fail(ErrPortNotOpen, QStringLiteral("Operation valid only when the port is open"));
    if (!m_port.setBreakEnabled(on))
        return failFromPort(QStringLiteral("Could not set the break state of %1").arg(portLabel()));
    return NoError;
}

void QtSerialLine::onReadyRead()
{
    const qint64 limit = std::max<qint64>(m_inBufferSize, MinWaitingLimit);
    const qint64 excess = m_port.bytesAvailable() - limit;
    if (excess > 0)
        m_port.skip(excess);
    m_threshold.arrived();
}

void QtSerialLine::onPortError(QSerialPort::SerialPortError error)
{
    if (!deviceGone(error) || m_lossPending || !m_port.isOpen())
        return;
    // The port must not be closed from inside its own notification; the
    // session tells a late call from a loss of an earlier opening.
    m_lossPending = true;
    m_lastError = QStringLiteral("%1 was lost: %2").arg(portLabel(), m_port.errorString());
    const quint64 session = m_session;
    QMetaObject::invokeMethod(this, [this, session] { onDeviceLost(session); }, Qt::QueuedConnection);
}

void QtSerialLine::onDeviceLost(quint64 session)
{
    m_lossPending = false;
    if (session != m_session || !m_port.isOpen())
        return;
    m_port.close();
    emit commEvent(EvDeviceLost);
}

int QtSerialLine::fail(int code, const QString &text)
{
    m_lastError = text;
    return code;
}

int QtSerialLine::failFromPort(const QString &what)
{
    const int code = codeFor(m_port.error());
    const QString reason = m_port.errorString();
    m_port.clearError();
    return fail(code == NoError ? ErrPortUnavailable : code, QStringLiteral("%1: %2").arg(what, reason));
}

QString QtSerialLine::portLabel() const
{
    return QStringLiteral("COM%1").arg(m_commPort);
}
