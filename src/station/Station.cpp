#include "station/Station.h"

#include "central/CentralJournal.h"
#include "central/CentralSettings.h"
#include "common/ScaleTypes.h"
#include "files/FileCommands.h"
#include "journal/JournalGrid.h"
#include "link/ScaleLink.h"
#include "report/JournalTotals.h"
#include "settings/frmSettings.h"
#include "station/BoardWindow.h"
#include "station/CentralDialog.h"
#include "station/CentralLabel.h"
#include "station/ChartWindow.h"
#include "station/ColumnWidths.h"
#include "station/ReceptionLabel.h"
#include "station/ReportCommands.h"
#include "station/StationTexts.h"
#include "station/TotalsLabel.h"

#include <QAction>
#include <QEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QStatusBar>

Station::Station(Parts parts, QObject *parent)
    : QObject(parent)
    , m_parts(parts)
    , m_totals(std::make_unique<JournalTotals>(parts.journal))
{
    const LiveSettings &live = parts.settings.liveSettings();
    auto scaleType = [&settings = live] {
        const ScaleType *type = ScaleTypes::at(settings.scaleTypeIndex());
        return type ? type->name : QString::number(settings.scaleTypeIndex());
    };
    m_reception = new ReceptionLabel(parts.link, live, scaleType, &parts.statusBar);
    parts.statusBar.addPermanentWidget(m_reception);
    m_central = std::make_unique<CentralJournal>(
        QFileInfo(parts.iniPath).absolutePath(),
        CentralJournal::Surroundings{parts.journal, parts.clock, [&live] { return live.scaleTypeIndex(); },
                                     [&files = parts.files] { return files.curFileName(); }});
    connect(&parts.files, &FileCommands::started, m_central.get(),
            [this] { m_central->emptied(CentralEvent::Emptied::New); });
    connect(&parts.files, &FileCommands::opened, m_central.get(), [this](const QString &file, int rows) {
        m_central->emptied(CentralEvent::Emptied::Open, file, rows);
    });
    connect(m_central.get(), &CentralJournal::problem, this,
            [&messages = parts.messages](const QString &text) { messages.notify(text, UserMessages::Icon::Warning); });
    m_centralLabel = new CentralLabel(*m_central, &parts.statusBar);
    parts.statusBar.addPermanentWidget(m_centralLabel);
    configureCentral();
    m_totalsLabel = new TotalsLabel(parts.journal, *m_totals, &parts.statusBar);
    parts.statusBar.addPermanentWidget(m_totalsLabel);
    parts.statusBar.installEventFilter(this);
    connect(&parts.statusBar, &QStatusBar::messageChanged, this, &Station::shareStatusBar);
    m_widths = std::make_unique<ColumnWidths>(parts.journal, parts.journalView, parts.iniPath);

    // The dead zone is compared in the unit the scale sends, whatever the
    // caption says.
    for (QLineEdit *box : parts.settings.findChildren<QLineEdit *>()) {
        if (box->objectName().startsWith(QLatin1String("arrLuft_")))
            box->setToolTip(StationTexts::deadZoneHint());
    }
    m_reports = std::make_unique<ReportCommands>(
        ReportCommands::Sources{parts.journal, *m_totals, parts.files, scaleType}, parts.dialogs, parts.messages,
        parts.window);
    QAction *print = addItem(parts.fileMenu, "mnuSaveAs", "mnuPrint", StationTexts::print());
    connect(print, &QAction::triggered, m_reports.get(), &ReportCommands::print);
    QAction *pdf = addItem(parts.fileMenu, "mnuPrint", "mnuExportPdf", StationTexts::exportPdf());
    connect(pdf, &QAction::triggered, m_reports.get(), &ReportCommands::exportPdf);
    QAction *excel = addItem(parts.fileMenu, "mnuExportPdf", "mnuExportExcel", StationTexts::exportExcel());
    connect(excel, &QAction::triggered, m_reports.get(), &ReportCommands::exportExcel);

    QAction *board = addItem(parts.serviceMenu, "mnuSettings", "mnuBoard", StationTexts::board());
    connect(board, &QAction::triggered, this, &Station::showBoard);
    QAction *chart = addItem(parts.serviceMenu, "mnuBoard", "mnuChart", StationTexts::chart());
    connect(chart, &QAction::triggered, this, &Station::showChart);
    QAction *central = addItem(parts.serviceMenu, "mnuChart", "mnuCentral", StationTexts::central());
    connect(central, &QAction::triggered, this, [this] {
        auto *dialog = new CentralDialog(m_parts.iniPath, m_parts.dialogs, m_parts.messages, &m_parts.window);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        connect(dialog, &QDialog::accepted, this, &Station::centralSettingsChanged);
        dialog->open();
    });
    connect(this, &Station::centralSettingsChanged, this, &Station::configureCentral);
}

ChartWindow &Station::chart()
{
    if (!m_chart)
        m_chart = new ChartWindow(m_parts.journal, &m_parts.window);
    return *m_chart;
}

void Station::showChart()
{
    ChartWindow &c = chart();
    c.show();
    c.raise();
    c.activateWindow();
}

BoardWindow &Station::board()
{
    if (!m_board) {
        m_board = new BoardWindow(m_parts.journal, *m_totals, m_parts.link, &m_parts.window);
        connect(&m_parts.link, &ScaleLink::decoded, m_board, &BoardWindow::decoded);
    }
    return *m_board;
}

void Station::showBoard()
{
    BoardWindow &b = board();
    b.show();
    b.raise();
    b.activateWindow();
}

void Station::layoutBuilding()
{
    m_widths->layoutBuilding();
}

void Station::layoutBuilt(const QVector<JournalColumn> &columns)
{
    m_widths->layoutBuilt(columns);
    m_central->setColumns(columns);
}

void Station::configureCentral()
{
    const CentralSettings settings = CentralSettings::read(m_parts.iniPath);
    m_central->configure(settings.enabled, settings.connection);
}

QAction *Station::addItem(QMenu &menu, const char *after, const char *name, const QString &caption)
{
    auto *action = new QAction(caption, &menu);
    action->setObjectName(QLatin1String(name));
    const QList<QAction *> actions = menu.actions();
    QAction *before = nullptr;
    for (qsizetype i = 0; i < actions.size(); ++i) {
        if (actions.at(i)->objectName() == QLatin1String(after)) {
            before = actions.value(i + 1);
            break;
        }
    }
    menu.insertAction(before, action);
    return action;
}

bool Station::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == &m_parts.statusBar && event->type() == QEvent::Resize)
        shareStatusBar();
    return QObject::eventFilter(watched, event);
}

// A message keeps its room, up to two thirds of the status bar; the reception line
// (up to a third of the rest) and the totals share what is left and are cut
// short rather than widen the window.
void Station::shareStatusBar()
{
    QStatusBar &bar = m_parts.statusBar;
    const QString message = bar.currentMessage();
    const int room = message.isEmpty()
        ? 0
        : std::min(2 * bar.width() / 3, bar.fontMetrics().horizontalAdvance(message + QStringLiteral("00")));
    const int rest = bar.width() - room;
    m_reception->setMaximumWidth(rest / 3);
    const int central = m_centralLabel->isVisible() ? std::min(m_centralLabel->sizeHint().width(), rest / 4) : 0;
    m_centralLabel->setMaximumWidth(rest / 4);
    m_totalsLabel->setMaximumWidth(rest - std::min(m_reception->sizeHint().width(), rest / 3) - central);
}

Station::~Station() = default;
