#include "station/CentralLabel.h"

#include "central/CentralJournal.h"
#include "central/CentralTexts.h"

CentralLabel::CentralLabel(const CentralJournal &central, QWidget *parent)
    : ElidingLabel(parent)
    , m_central(central)
{
    setObjectName(QStringLiteral("lblCentral"));
    setAccessibleName(CentralTexts::stateName());
    connect(&central, &CentralJournal::stateChanged, this, &CentralLabel::refresh);
    refresh();
}

void CentralLabel::refresh()
{
    using Kind = CentralJournal::State::Kind;
    const CentralJournal::State s = m_central.state();
    // Reasons are written for message boxes, on several lines.
    const QString reason = QString(s.reason).replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    QString text;
    switch (s.kind) {
    case Kind::Off: break;
    case Kind::Sent: text = CentralTexts::allSent(); break;
    case Kind::Waiting: text = CentralTexts::waitingState(s.waiting, s.since); break;
    case Kind::Unreachable: text = CentralTexts::unreachableState(reason, s.waiting, s.since); break;
    case Kind::Stopped: text = reason; break;
    }
    setText(text);
    setAccessibleDescription(text);
    setVisible(s.kind != Kind::Off);
}
