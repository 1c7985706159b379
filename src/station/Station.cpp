#include "station/Station.h"

#include "journal/JournalGrid.h"
#include "report/JournalTotals.h"
#include "station/TotalsLabel.h"

#include <QMainWindow>
#include <QStatusBar>

Station::Station(Parts parts, QObject *parent)
    : QObject(parent)
    , m_parts(parts)
    , m_totals(std::make_unique<JournalTotals>(parts.journal))
{
    m_totalsLabel = new TotalsLabel(parts.journal, *m_totals, &parts.statusBar);
    parts.statusBar.addPermanentWidget(m_totalsLabel);
}

Station::~Station() = default;
