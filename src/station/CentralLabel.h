#pragma once

#include "widgets/ElidingLabel.h"

class CentralJournal;

// lblCentral, beside the reception line: whether the central journal has
// every event, how many wait and since when, or why the server is not
// reached. Hidden while the central journal is off.
class CentralLabel : public ElidingLabel
{
    Q_OBJECT

public:
    explicit CentralLabel(const CentralJournal &central, QWidget *parent = nullptr);

    void refresh();

private:
    const CentralJournal &m_central;
};
