#include "station/ReceptionLabel.h"

#include "common/SerialLine.h"
#include "settings/LiveSettings.h"

ReceptionLabel::ReceptionLabel(const SerialLine &line, const LiveSettings &settings,
                               std::function<QString()> scaleType, QWidget *parent)
    : QLabel(parent)
    , m_line(line)
    , m_settings(settings)
    , m_scaleType(std::move(scaleType))
{
    setObjectName(QStringLiteral("lblReception"));
    setAccessibleName(QStringLiteral("Прием данных"));
    m_poll.setInterval(250);
    connect(&m_poll, &QTimer::timeout, this, &ReceptionLabel::refresh);
    m_poll.start();
    refresh();
}

void ReceptionLabel::setLinkState(const QString &state)
{
    m_linkState = state;
    refresh();
}

void ReceptionLabel::refresh()
{
    QString text = m_line.portOpen() ? QStringLiteral("Прием: включен") : QStringLiteral("Прием: выключен");
    text += QStringLiteral(" | COM") + m_settings.portText().trimmed() + QStringLiteral(" | ") + m_scaleType();
    if (!m_linkState.isEmpty())
        text += QStringLiteral(" | ") + m_linkState;
    if (text != this->text())
        setText(text);
}
