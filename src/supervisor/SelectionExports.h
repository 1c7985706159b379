#pragma once

#include "station/ExportSteps.h"

#include <QString>

#include <functional>

class SelectionReport;
class SupervisorWindow;

// "Экспорт в Excel..." and "Экспорт в PDF..." of "Все весы": every row the
// window's filters select, read from the server by the export's own job
// off the window thread, written by the station's own exports with the
// station column first and the selection's totals.
class SelectionExports
{
public:
    SelectionExports(QString conninfo, SupervisorWindow &window, FileDialogs &dialogs, UserMessages &messages);

    void exportExcel();
    void exportPdf();

private:
    using Write = std::function<bool(const SelectionReport &report, const QString &path,
                                     const ExportSteps::StepDone &stepDone)>;
    void exportAs(const QString &filter, const QString &suffix, const QString &label, const Write &write);

    QString m_conninfo;
    SupervisorWindow &m_window;
    UserMessages &m_messages;
    ExportSteps m_steps;
};
