#include "files/FileCommands.h"

#include "common/UserMessages.h"
#include "files/FileDialogs.h"
#include "files/FileTexts.h"
#include "files/JournalFile.h"
#include "journal/JournalGrid.h"
#include "settings/IniTxt.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString FolderSection = QStringLiteral("InitDirPlu");
const QString FolderKey = QStringLiteral("InitDirPlu");

QString defaultFolder()
{
#ifdef Q_OS_WIN
    return QStringLiteral("C:\\");
#else
    return QDir::homePath();
#endif
}

} // namespace

FileCommands::FileCommands(JournalGrid &grid, FileDialogs &dialogs, UserMessages &messages, const QString &iniPath,
                           const QString &separator, Window window)
    : m_grid(grid)
    , m_dialogs(dialogs)
    , m_messages(messages)
    , m_iniPath(iniPath)
    , m_separator(separator)
    , m_window(std::move(window))
{
}

void FileCommands::New()
{
    std::optional<quint64> declined;
    if (!confirmDiscard(declined, true))
        return;
    forgetFile();
    m_window.initGrid();
    emit started();
}

void FileCommands::Open()
{
    std::optional<quint64> declined;
    if (!confirmDiscard(declined))
        return;
    const std::optional<QString> path = choose(false);
    if (!path || !confirmNotAJournal(*path))
        return;
    // Rows recorded while the dialog was open are asked about too.
    if (!confirmDiscard(declined))
        return;
    strCurFileName = *path;
    m_fromCurrentFile = false;
    m_window.showCurFileName(strCurFileName);
    GetPluDataFromFile(strCurFileName);
}

bool FileCommands::Save()
{
    const bool written = WriteJournalFile(strCurFileName, m_separator);
    if (written)
        m_fromCurrentFile = true;
    return written;
}

bool FileCommands::SaveAs()
{
    const std::optional<QString> path = choose(true);
    if (!path || !confirmReplace(*path)) {
        m_messages.inform(FileTexts::cancelled());
        return false;
    }
    const bool written = WriteJournalFile(*path, m_separator);
    m_messages.inform(written ? FileTexts::savedTo(*path)
                              : FileTexts::failed());
    return written;
}

bool FileCommands::WriteJournalFile(const QString &fileName, const QString &separator)
{
    if (fileName.isEmpty()) {
        m_messages.inform(FileTexts::noFileName(),
                          UserMessages::Icon::Information);
        return false;
    }
    const quint64 written = m_changes;
    const JournalFile::WriteResult result = JournalFile::write(m_grid, fileName, separator);
    if (!result.ok) {
        m_messages.inform(QString::number(result.code) + QStringLiteral("   ") + result.description);
        return false;
    }
    m_settled = written;
    emit saved(fileName);
    return true;
}

void FileCommands::GetPluDataFromFile(const QString &fileName)
{
    // The journal keeps the lines as the file holds them.
    const bool read = JournalFile::readLines(
        fileName, [this] { m_window.initGrid(); },
        [this](const QList<QByteArrayView> &lines) { m_grid.addFileLines(lines); });
    if (!read)
        return;
    m_settled = m_changes;
    m_fromCurrentFile = fileName == strCurFileName;
    emit opened(fileName, m_grid.Rows() - 1);
    m_window.focusJournal();
}

void FileCommands::markDiscarded()
{
    m_settled = m_changes;
    m_fromCurrentFile = false;
}

void FileCommands::forgetFile()
{
    markDiscarded();
    strCurFileName.clear();
    m_window.showCurFileName(FileTexts::newJournal());
}

bool FileCommands::confirmDiscard()
{
    std::optional<quint64> declined;
    return confirmDiscard(declined);
}

// declined: the change count when the operator last answered "Нет" within
// the same command. Asked again as long as rows come in after an answer:
// while the save dialog or a message is open, readings go on being recorded.
// askName: "Да" asks for a file name even when the journal came from the
// current file.
bool FileCommands::confirmDiscard(std::optional<quint64> &declined, bool askName)
{
    while (changed() && declined != m_changes) {
        switch (askSaveChanges()) {
        case UserMessages::Answer::Yes:
            // The current file is replaced only by a journal that came from it.
            if (!(m_fromCurrentFile && !askName ? Save() : SaveAs()))
                return false;
            break;
        case UserMessages::Answer::No:
            declined = m_changes;
            emit changesDiscarded();
            break;
        default:
            return false;
        }
    }
    return true;
}

UserMessages::Answer FileCommands::askSaveChanges()
{
    return m_messages.show(FileTexts::changesLost(),
                           UserMessages::applicationTitle(), UserMessages::Buttons::YesNoCancel,
                           UserMessages::Icon::Question);
}

// As the platform's save dialogs do: an existing file is replaced only when
// the operator says so.
bool FileCommands::confirmReplace(UserMessages &messages, const QString &path)
{
    if (!QFileInfo::exists(path))
        return true;
    return messages.show(FileTexts::replaceExisting(path),
                         UserMessages::applicationTitle(), UserMessages::Buttons::YesNo,
                         UserMessages::Icon::Warning)
        == UserMessages::Answer::Yes;
}

bool FileCommands::confirmNotAJournal(const QString &path)
{
    if (JournalFile::looksLikeJournal(path))
        return true;
    return m_messages.show(FileTexts::notAJournal(path),
                         UserMessages::applicationTitle(), UserMessages::Buttons::YesNo,
                         UserMessages::Icon::Warning)
        == UserMessages::Answer::Yes;
}

// Shows the open or the save dialog in the remembered folder and remembers
// the folder of the file chosen.
std::optional<QString> FileCommands::choose(bool save)
{
    const FileDialogs::Request request{startFolder(),
                                       {QStringLiteral("Text (*.txt)"), QStringLiteral("All (*.*)")},
                                       QFileInfo(m_lastChosen).fileName()};
    std::optional<QString> path = save ? m_dialogs.saveFileName(request) : m_dialogs.openFileName(request);
    if (!path || path->isEmpty())
        return std::nullopt;
    *path = QDir::toNativeSeparators(*path);
    m_lastChosen = *path;
    const QString folder = folderOf(*path);
    if (!folder.isEmpty())
        WriteIniValue(m_iniPath, FolderSection, FolderKey, folder);
    return path;
}

QString FileCommands::startFolder() const
{
    QString folder = ReadIniValue(m_iniPath, FolderSection, FolderKey, defaultFolder());
    // A file in the root of a drive leaves the drive alone ("C:"), which
    // would name the drive's current folder: start in its root.
    if (folder.size() == 2 && folder.at(1) == QLatin1Char(':'))
        folder += QLatin1Char('\\');
    return folder;
}

QString FileCommands::folderOf(const QString &path)
{
    const QString native = QDir::toNativeSeparators(path);
    const qsizetype cut = native.lastIndexOf(QDir::separator());
    if (cut < 0)
        return QString();
    return native.left(cut == 0 ? 1 : cut);
}
