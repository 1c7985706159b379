#include "files/FileCommands.h"

#include "common/UserMessages.h"
#include "files/FileDialogs.h"
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
    if (blnChanged && askSaveChanges())
        SaveAs();
    m_window.showCurFileName(QStringLiteral("Новый"));
}

void FileCommands::Open()
{
    if (!confirmDiscard())
        return;
    const std::optional<QString> path = choose(false);
    if (!path)
        return;
    strCurFileName = *path;
    m_window.showCurFileName(strCurFileName);
    GetPluDataFromFile(strCurFileName);
}

bool FileCommands::Save()
{
    return WriteJournalFile(strCurFileName, m_separator);
}

bool FileCommands::SaveAs()
{
    const std::optional<QString> path = choose(true);
    if (!path) {
        m_messages.inform(QStringLiteral("Операция отменена."));
        return false;
    }
    const bool written = WriteJournalFile(*path, m_separator);
    m_messages.inform(written ? QStringLiteral("Данные сохранены в файле ") + *path
                              : QStringLiteral("При выполнении операции произошла ошибка."));
    return written;
}

bool FileCommands::WriteJournalFile(const QString &FileName, const QString &Separator)
{
    if (FileName.isEmpty()) {
        m_messages.inform(QStringLiteral("Имя файла для сохранения не определено.\r\n"
                                         "Воспользуйтесь соответствующей опцией меню."),
                          UserMessages::Icon::Information);
        return false;
    }
    const JournalFile::WriteResult result = JournalFile::write(m_grid, FileName, Separator);
    if (!result.ok) {
        m_messages.inform(QString::number(result.code) + QStringLiteral("   ") + result.description);
        return false;
    }
    clearChanged();
    return true;
}

void FileCommands::GetPluDataFromFile(const QString &FileName)
{
    // The journal keeps the lines as the file holds them.
    const bool read = JournalFile::readLines(
        FileName, [this] { m_window.initGrid(); },
        [this](const QList<QByteArrayView> &lines) { m_grid.addFileLines(lines); });
    if (!read)
        return;
    clearChanged();
    m_window.focusJournal();
}

void FileCommands::clearChanged()
{
    blnChanged = false;
    m_window.changesCleared();
}

bool FileCommands::confirmDiscard()
{
    if (!blnChanged || !askSaveChanges())
        return true;
    return strCurFileName.isEmpty() ? SaveAs() : Save();
}

bool FileCommands::askSaveChanges()
{
    return m_messages.show(QStringLiteral("Все изменения будут потеряны!\r\nСохранить изменения?"),
                           UserMessages::applicationTitle(), UserMessages::Buttons::YesNo,
                           UserMessages::Icon::Question)
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
