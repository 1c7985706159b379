#pragma once

#include "station/ExportSteps.h"

#include <QObject>
#include <QString>

#include <functional>

class FileCommands;
class FileDialogs;
class JournalGrid;
class JournalTotals;
class QWidget;
class UserMessages;
struct JournalReport;

// "Печать...", "Экспорт в PDF..." and "Экспорт в Excel...": the journal as a
// report on paper, in a PDF file or in a workbook. The file is chosen through
// the program's file dialogs, and an existing one is replaced only as Save as
// replaces it; the outcome is told as Save as tells it. The journal is
// reported as it was when the command began: the work runs on a thread of
// its own (BackgroundJob), and a cancelled export leaves no file and an
// existing one as it was.
class ReportCommands : public QObject
{
    Q_OBJECT

public:
    struct Sources {
        const JournalGrid &journal;
        const JournalTotals &totals;
        const FileCommands &files;       // the current file's name, the dialogs' folder, replacing a file
        std::function<QString()> scaleType; // the configured scale type's name
    };

    // A child of window, so that tests find it there.
    ReportCommands(Sources sources, FileDialogs &dialogs, UserMessages &messages, QWidget &window);

    // Opens the print preview (the report's first pages); printing goes from
    // there.
    void print();
    void exportPdf();
    void exportExcel();

    // Called on the job's thread after each step of a job (a page, a few
    // thousand rows): benches count the steps, tests slow them.
    void watchSteps(std::function<void()> watcher) { m_steps.watchSteps(std::move(watcher)); }

    // Pages the print preview shows: painting them holds the window.
    static constexpr int PreviewPages = 20;

private:
    JournalReport report() const;
    std::optional<QString> choose(const QString &filter, const QString &suffix);

    Sources m_sources;
    ExportSteps m_steps;
    QWidget &m_window;
};
