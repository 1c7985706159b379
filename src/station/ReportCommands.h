#pragma once

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
// the program's file dialogs; the outcome is told as Save as tells it.
class ReportCommands : public QObject
{
    Q_OBJECT

public:
    struct Sources {
        const JournalGrid &journal;
        const JournalTotals &totals;
        const FileCommands &files;       // the current file's name, the dialogs' folder
        std::function<QString()> scaleType; // the configured scale type's name
    };

    ReportCommands(Sources sources, FileDialogs &dialogs, UserMessages &messages, QWidget &window);

    // Opens the print preview; printing goes from there.
    void print();
    void exportPdf();
    void exportExcel();

    // Writes the report as a PDF file. True when written.
    bool writePdf(const QString &path) const;

private:
    JournalReport report() const;
    // The path chosen for an export, with the extension added when missing.
    std::optional<QString> choose(const QString &filter, const QString &suffix);
    void tell(bool written, const QString &path);

    Sources m_sources;
    FileDialogs &m_dialogs;
    UserMessages &m_messages;
    QWidget &m_window;
};
