#pragma once

#include <QString>

#include <functional>
#include <optional>

class FileDialogs;
class JournalGrid;
class UserMessages;

// The commands New, Open, Save and Save as over the journal, the current
// file name they share, the folder the dialogs start in (kept in the
// settings file) and the unsaved-changes guard. Every message they show is
// built here.
class FileCommands
{
public:
    // What the commands need of the main window.
    struct Window {
        std::function<void()> initGrid;                         // empty journal of the configured scale type
        std::function<void(const QString &)> showCurFileName;   // the current-file label
        std::function<void()> focusJournal;
        // The journal has no unsaved changes any more: saved, loaded or discarded.
        std::function<void()> changesCleared = [] {};
    };

    FileCommands(JournalGrid &grid, FileDialogs &dialogs, UserMessages &messages, const QString &iniPath,
                 const QString &separator, Window window);

    // The current-file label shows "Новый"; journal and file name stay.
    // With unsaved changes it first offers Save as.
    void New();
    // Asks for a file and loads it; it becomes the current file.
    void Open();
    // Writes the journal to the current file. True when written.
    bool Save();
    // Writes the journal to a file asked for; the current file stays.
    bool SaveAs();

    // Writes the journal, reporting every failure. True when written.
    bool WriteJournalFile(const QString &FileName, const QString &Separator);
    // Replaces the journal by the file's rows, silently; a file that cannot
    // be opened leaves the journal as it was.
    void GetPluDataFromFile(const QString &FileName);

    const QString &curFileName() const { return strCurFileName; }
    // The file name a restored journal had; the label is the caller's.
    void restoreCurFileName(const QString &name) { strCurFileName = name; }

    // Journal rows changed since they were last saved or loaded: a reading
    // recorded, a note stored, rows deleted.
    void markChanged() { blnChanged = true; }
    // The journal's rows were discarded (nothing is left to save).
    void markDiscarded() { clearChanged(); }
    bool changed() const { return blnChanged; }
    // Before the journal's rows are discarded: with unsaved changes asks
    // whether to save them first. True when the caller may go on: nothing
    // to save, the operator declined, or the save succeeded.
    bool confirmDiscard();

    // The folder of a chosen path as it is remembered: the path up to its
    // last separator; "/" for a file in the root; empty for a bare name.
    static QString folderOf(const QString &path);

private:
    void clearChanged();
    bool askSaveChanges();
    std::optional<QString> choose(bool save);
    QString startFolder() const;

    JournalGrid &m_grid;
    FileDialogs &m_dialogs;
    UserMessages &m_messages;
    QString m_iniPath;
    QString m_separator;
    Window m_window;
    QString strCurFileName;
    QString m_lastChosen; // both dialogs propose the file chosen last in either
    bool blnChanged = false;
};
