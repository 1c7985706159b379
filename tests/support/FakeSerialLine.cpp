#include "support/FakeSerialLine.h"

FakeSerialLine::FakeSerialLine(QObject *parent)
    : SerialLine(parent)
    , m_threshold([this] { return qint64(inBufferCount()); })
{
    connect(&m_threshold, &ReceiveThreshold::reached, this, [this] { emit commEvent(EvReceive); });
}

void FakeSerialLine::failOn(const QString &operation, int code)
{
    if (code == NoError)
        m_failures.remove(operation);
    else
        m_failures.insert(operation, code);
}

void FakeSerialLine::feed(const QByteArray &bytes)
{
    if (!m_open)
        return;
    m_waiting += bytes;
    m_threshold.poke();
}

void FakeSerialLine::loseDevice()
{
    m_open = false;
    m_waiting.clear();
    emit commEvent(EvDeviceLost);
}

int FakeSerialLine::call(const QString &operation, const QString &argument, int failure)
{
    m_log.append(argument.isNull() ? operation : operation + QLatin1Char('=') + argument);
    const int code = m_failures.value(operation, failure);
    if (code != NoError)
        m_lastError = QStringLiteral("%1 failed with %2").arg(operation).arg(code);
    return code;
}

int FakeSerialLine::setCommPort(int number)
{
    const int check = m_open ? ErrPortAlreadyOpen : number < 1 ? ErrInvalidPortNumber : NoError;
    const int code = call(QStringLiteral("CommPort"), QString::number(number), check);
    if (code == NoError)
        m_commPort = number;
    return code;
}

int FakeSerialLine::setSettings(const QString &settings)
{
    const int check = LineSettings::parse(settings) ? NoError : ErrInvalidProperty;
    const int code = call(QStringLiteral("Settings"), settings, check);
    if (code == NoError)
        m_settings = settings;
    return code;
}

int FakeSerialLine::setInputLen(int length)
{
    const int code = call(QStringLiteral("InputLen"), QString::number(length),
                          length < 0 ? ErrInvalidProperty : NoError);
    if (code == NoError)
        m_inputLen = length;
    return code;
}

int FakeSerialLine::setRThreshold(int threshold)
{
    const int code = call(QStringLiteral("RThreshold"), QString::number(threshold),
                          threshold < 0 ? ErrInvalidProperty : NoError);
    if (code == NoError) {
        m_threshold.setThreshold(threshold);
        m_threshold.poke();
    }
    return code;
}

int FakeSerialLine::setInBufferSize(int size)
{
    const int code = call(QStringLiteral("InBufferSize"), QString::number(size),
                          size <= 0 ? ErrInvalidProperty : NoError);
    if (code == NoError)
        m_inBufferSize = size;
    return code;
}

int FakeSerialLine::setPortOpen(bool open)
{
    if (!open) {
        const int code = call(QStringLiteral("Close"), QString());
        if (code == NoError) {
            m_open = false;
            m_waiting.clear();
        }
        return code;
    }
    const int check = m_open                             ? ErrPortAlreadyOpen
                      : !m_existing.contains(m_commPort) ? ErrInvalidPortNumber
                      : m_held.contains(m_commPort)      ? ErrPortUnavailable
                                                         : NoError;
    const int code = call(QStringLiteral("Open"), QString(), check);
    if (code == NoError)
        m_open = true;
    return code;
}

QByteArray FakeSerialLine::input()
{
    call(QStringLiteral("Input"), QString());
    const QByteArray data = m_inputLen > 0 ? m_waiting.left(m_inputLen) : m_waiting;
    m_waiting.remove(0, data.size());
    m_threshold.poke();
    return data;
}

int FakeSerialLine::output(const QByteArray &data)
{
    const int code = call(QStringLiteral("Output"), QString::fromLatin1(data),
                          m_open ? NoError : ErrPortNotOpen);
    if (code == NoError)
        m_outputs.append(data);
    return code;
}

int FakeSerialLine::setBreak(bool on)
{
    const int code = call(QStringLiteral("Break"), on ? QStringLiteral("1") : QStringLiteral("0"),
                          m_open ? NoError : ErrPortNotOpen);
    if (code == NoError)
        m_break = on;
    return code;
}
