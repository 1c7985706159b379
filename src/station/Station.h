#pragma once

#include "journal/JournalLayout.h"

#include <QObject>
#include <QString>

#include <memory>

class FileCommands;
class FileDialogs;
class JournalGrid;
class JournalTotals;
class QMainWindow;
class BoardWindow;
class CentralJournal;
class CentralLabel;
class Clock;
class ChartWindow;
class ColumnWidths;
class QAction;
class QMenu;
class ReportCommands;
class QStatusBar;
class QWidget;
class ReceptionLabel;
class ScaleLink;
class TotalsLabel;
class UserMessages;
class frmSettings;

// What the weighing station adds to the main window beyond its designed
// controls: the totals in the status bar, and the menu items that come after
// the designed ones.
class Station : public QObject
{
    Q_OBJECT

public:
    struct Parts {
        QMainWindow &window;
        QMenu &fileMenu;
        QMenu &serviceMenu;
        QStatusBar &statusBar;
        JournalGrid &journal;
        FileCommands &files;
        FileDialogs &dialogs;
        UserMessages &messages;
        frmSettings &settings;
        ScaleLink &link;
        QWidget &journalView;
        const Clock &clock;
        QString iniPath;
    };

    explicit Station(Parts parts, QObject *parent = nullptr);
    ~Station() override;

    const JournalTotals &totals() const { return *m_totals; }
    CentralJournal &central() { return *m_central; }
    // Switches the central journal on or off as the settings file says.
    void configureCentral();

    // Around every layout build of the journal.
    void layoutBuilding();
    void layoutBuilt(const QVector<JournalColumn> &columns);

    // "Табло", made when first opened.
    BoardWindow &board();
    void showBoard();
    // "График", made when first opened.
    ChartWindow &chart();
    void showChart();

signals:
    // "Центральная база" wrote its settings into Init.ini.
    void centralSettingsChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void shareStatusBar();
    // A menu item placed after the item named after (at the end when there
    // is none).
    QAction *addItem(QMenu &menu, const char *after, const char *name, const QString &caption);

    Parts m_parts;
    std::unique_ptr<ReportCommands> m_reports;
    std::unique_ptr<JournalTotals> m_totals;
    TotalsLabel *m_totalsLabel = nullptr;
    ReceptionLabel *m_reception = nullptr;
    std::unique_ptr<CentralJournal> m_central;
    CentralLabel *m_centralLabel = nullptr;
    std::unique_ptr<ColumnWidths> m_widths;
    BoardWindow *m_board = nullptr; // children of the main window
    ChartWindow *m_chart = nullptr;
};
