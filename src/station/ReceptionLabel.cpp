#include "station/ReceptionLabel.h"

#include "link/ScaleLink.h"
#include "settings/LiveSettings.h"
#include "station/StationTexts.h"

ReceptionLabel::ReceptionLabel(ScaleLink &link, const LiveSettings &settings,
                               std::function<QString()> scaleType, QWidget *parent)
    : ElidingLabel(parent)
    , m_link(link)
    , m_settings(settings)
    , m_scaleType(std::move(scaleType))
{
    setObjectName(QStringLiteral("lblReception"));
    setAccessibleName(StationTexts::reception());
    connect(&link.keeper(), &LineKeeper::stateChanged, this, &ReceptionLabel::refresh);
    m_poll.setInterval(500);
    connect(&m_poll, &QTimer::timeout, this, &ReceptionLabel::refresh);
    m_poll.start();
    refresh();
}

void ReceptionLabel::refresh()
{
    const LineKeeper::State state = m_link.linkState();
    QString text = state == LineKeeper::State::Off ? StationTexts::receptionOff() : StationTexts::receptionOn();
    text += QStringLiteral(" | COM") + m_settings.portText().trimmed() + QStringLiteral(" | ") + m_scaleType();
    if (state == LineKeeper::State::Waiting)
        text += StationTexts::waitingForLine();
    if (text == this->text())
        return;
    setText(text);
    // A screen reader reads it beside the name, as the totals' text; and the
    // text whole when the bar cuts it short.
    setToolTip(text);
}
