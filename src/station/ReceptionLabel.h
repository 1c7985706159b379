#pragma once

#include "widgets/ElidingLabel.h"

#include <QTimer>

#include <functional>

class LiveSettings;
class ScaleLink;

// lblReception, beside the recorder's message pane: whether reception is on,
// the port, the scale type's name and, when the line is lost, that the
// program waits for it.
class ReceptionLabel : public ElidingLabel
{
    Q_OBJECT

public:
    ReceptionLabel(ScaleLink &link, const LiveSettings &settings, std::function<QString()> scaleType,
                   QWidget *parent = nullptr);

    void refresh();

private:
    const ScaleLink &m_link;
    const LiveSettings &m_settings;
    std::function<QString()> m_scaleType;
    QTimer m_poll; // the port and scale type change in the settings without telling
};
