#include "station/ReceptionLabel.h"

#include "link/ScaleLink.h"
#include "settings/LiveSettings.h"

ReceptionLabel::ReceptionLabel(ScaleLink &link, const LiveSettings &settings,
                               std::function<QString()> scaleType, QWidget *parent)
    : QLabel(parent)
    , m_link(link)
    , m_settings(settings)
    , m_scaleType(std::move(scaleType))
{
    setObjectName(QStringLiteral("lblReception"));
    setAccessibleName(QStringLiteral("Прием данных"));
    connect(&link.keeper(), &LineKeeper::stateChanged, this, &ReceptionLabel::refresh);
    m_poll.setInterval(500);
    connect(&m_poll, &QTimer::timeout, this, &ReceptionLabel::refresh);
    m_poll.start();
    refresh();
}

void ReceptionLabel::refresh()
{
    const LineKeeper::State state = m_link.linkState();
    QString text = state == LineKeeper::State::Off ? QStringLiteral("Прием: выключен") : QStringLiteral("Прием: включен");
    text += QStringLiteral(" | COM") + m_settings.portText().trimmed() + QStringLiteral(" | ") + m_scaleType();
    if (state == LineKeeper::State::Waiting)
        text += QStringLiteral(" | связь потеряна, ожидание");
    if (text != this->text())
        setText(text);
}
