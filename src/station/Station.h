#pragma once

#include <QObject>
#include <QString>

#include <memory>

class FileCommands;
class FileDialogs;
class JournalGrid;
class JournalTotals;
class QMainWindow;
class QMenu;
class QStatusBar;
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
    };

    explicit Station(Parts parts, QObject *parent = nullptr);
    ~Station() override;

    const JournalTotals &totals() const { return *m_totals; }

private:
    Parts m_parts;
    std::unique_ptr<JournalTotals> m_totals;
    TotalsLabel *m_totalsLabel = nullptr;
};
