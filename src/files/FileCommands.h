#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

#include "common/UserMessages.h"

class FileDialogs;
class JournalGrid;

// The commands New, Open, Save and Save as over the journal, the current
// file name they share, the folder the dialogs start in (kept in the
// settings file) and the unsaved-changes guard. Every message they show is
// built here.
class FileCommands : public QObject
{
    Q_OBJECT

public:
    // What the commands need of the main window.
    struct Window {
        std::function<void()> initGrid;                         // empty journal of the configured scale type
        std::function<void(const QString &)> showCurFileName;   // the current-file label
        std::function<void()> focusJournal;
    };

    FileCommands(JournalGrid &grid, FileDialogs &dialogs, UserMessages &messages, const QString &iniPath,
                 const QString &separator, Window window);

    // Starts an empty journal of no file. Unsaved changes are asked about
    // first: "Да" saves them under a name asked for, "Отмена" keeps all.
    void New();
    // Asks for a file and loads it; it becomes the current file.
    void Open();
    // Writes the journal to the current file. True when written.
    bool Save();
    // Writes the journal to a file asked for; the current file stays.
    bool SaveAs();

    // Writes the journal, reporting every failure. True when written.
    bool WriteJournalFile(const QString &fileName, const QString &separator);
    // Replaces the journal by the file's rows, silently; a file that cannot
    // be opened leaves the journal as it was.
    void GetPluDataFromFile(const QString &fileName);

    const QString &curFileName() const { return strCurFileName; }
    // The file name a restored journal had; the label is the caller's.
    void restoreCurFileName(const QString &name) { strCurFileName = name; }

    // Journal rows changed since they were last saved or loaded: a reading
    // recorded, a note stored, rows deleted.
    void markChanged() { ++m_changes; }
    // The journal's rows were discarded (nothing is left to save); the rows
    // that follow come from no file.
    void markDiscarded();
    // The journal was emptied: it is new, of no file, and Save asks for a name.
    void forgetFile();
    bool changed() const { return m_changes != m_settled; }
    // Before the journal's rows are discarded: with unsaved changes asks
    // whether to save them first ("Да", "Нет", "Отмена"). True when the
    // caller may go on at once: nothing to save, the operator declined, or
    // the save succeeded. Rows recorded after the answer (while a dialog or
    // a message was open) are asked about again. "Да" saves into the
    // current file only when the journal came from it, else asks for a name.
    bool confirmDiscard();

    // The folder the file dialogs start in: the one remembered in the
    // settings file.
    QString startFolder() const;
    // True when path may be written: it does not exist, or the operator
    // agreed to replace it. Whatever writes a file chosen by name asks so.
    bool confirmReplace(const QString &path) const { return confirmReplace(m_messages, path); }
    static bool confirmReplace(UserMessages &messages, const QString &path);

signals:
    // New gave an empty journal.
    void started();
    // The journal was replaced by the rows of a file.
    void opened(const QString &fileName, int rows);
    // The journal was written into fileName: the changes up to then are saved.
    void saved(const QString &fileName);
    // The operator answered "Нет": the unsaved changes may be given up (the
    // command asked for may still be cancelled in its dialog).
    void changesDiscarded();

public:
    // The folder of a chosen path as it is remembered: the path up to its
    // last separator; "/" for a file in the root; empty for a bare name.
    static QString folderOf(const QString &path);

private:
    bool confirmDiscard(std::optional<quint64> &declined, bool askName = false);
    UserMessages::Answer askSaveChanges();
    bool confirmNotAJournal(const QString &path);
    std::optional<QString> choose(bool save);

    JournalGrid &m_grid;
    FileDialogs &m_dialogs;
    UserMessages &m_messages;
    QString m_iniPath;
    QString m_separator;
    Window m_window;
    QString strCurFileName;
    QString m_lastChosen; // both dialogs propose the file chosen last in either
    // Changes counted, and the count when the journal was last saved, loaded
    // or given up: unsaved changes are the difference.
    quint64 m_changes = 0;
    quint64 m_settled = 0;
    // The journal's rows came from the current file (loaded from it or saved
    // into it), so saving into it replaces the file's rows by their own.
    bool m_fromCurrentFile = false;
};
