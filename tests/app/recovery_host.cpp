// The main window with the real serial line, run as a process of its own so
// that a test can kill it: tst_crashrecovery. Arguments: the settings folder
// and the port number. It starts reception at once with the note "партия 7",
// prints "row N" when the journal has N rows after a reading, and reads
// commands from its standard input: "open PATH" loads a journal file,
// "save PATH" prints "saving" and saves the journal as PATH, killing itself
// (SIGKILL) as soon as the save has written its first bytes, so that the kill
// lands in the middle of the save however fast the machine is.
#include "app/frm1.h"
#include "files/FileCommands.h"
#include "journal/JournalGrid.h"
#include "link/QtSerialLine.h"
#include "link/ScaleLink.h"
#include "settings/frmSettings.h"
#include "support/FakeFileDialogs.h"
#include "support/FakeUserMessages.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QSocketNotifier>

#include <QDir>
#include <QFileInfo>

#include <csignal>
#include <dirent.h>
#include <cstdio>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

// Watches the process's own descriptors for the file a save writes in folder
// (named after target, or an unnamed temporary file, "#…"), and kills the
// process once that file holds data.
static void killWhenSaveWrites(const QString &folder, const QString &target)
{
    const std::string prefix = QDir(folder).canonicalPath().toStdString() + '/';
    const std::string name = target.toStdString();
    std::thread([prefix, name] {
        for (;;) {
            if (DIR *fds = ::opendir("/proc/self/fd")) {
                while (const dirent *entry = ::readdir(fds)) {
                    const std::string fd = std::string("/proc/self/fd/") + entry->d_name;
                    char link[4096];
                    const ssize_t n = ::readlink(fd.c_str(), link, sizeof link - 1);
                    if (n <= 0)
                        continue;
                    const std::string target(link, size_t(n));
                    if (target.compare(0, prefix.size(), prefix) != 0)
                        continue;
                    const std::string file = target.substr(prefix.size());
                    if (file.compare(0, name.size(), name) != 0 && file.compare(0, 1, "#") != 0)
                        continue;
                    struct stat st{};
                    if (::stat(fd.c_str(), &st) == 0 && st.st_size > 0)
                        ::raise(SIGKILL);
                }
                ::closedir(fds);
            }
            std::this_thread::yield();
        }
    }).detach();
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() != 3)
        return 2;
    FakeUserMessages messages;
    FakeFileDialogs dialogs;
    MainWindowServices services;
    services.programFolder = args[1];
    services.commPort = std::make_unique<QtSerialLine>(args[1]);
    services.messages = &messages;
    services.fileDialogs = &dialogs;
    frm1 window(std::move(services));
    window.show();
    QObject::connect(&window.scaleLink().recorder(), &Recorder::recorded, &window, [&window] {
        std::printf("row %d\n", window.journal().Rows() - 1);
        std::fflush(stdout);
    });
    window.findChild<QLineEdit *>(QStringLiteral("txtPrim"))->setText(QStringLiteral("партия 7"));
    window.settingsDialog().findChild<QComboBox *>(QStringLiteral("lstCommNom"))->setEditText(args[2]);
    window.tbr1_ButtonClick(QStringLiteral("tbrReadAllPlu"));

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &window, [&] {
        char line[4096];
        const ssize_t n = ::read(STDIN_FILENO, line, sizeof line - 1);
        if (n <= 0) {
            input.setEnabled(false);
            return;
        }
        const QString command = QString::fromUtf8(line, n).trimmed();
        const QString path = command.section(QLatin1Char(' '), 1);
        if (command.startsWith(QStringLiteral("open "))) {
            dialogs.choices = {path};
            window.tbr1_ButtonClick(QStringLiteral("tbrOpen"));
            std::printf("opened %d\n", window.journal().Rows() - 1);
        } else if (command.startsWith(QStringLiteral("save "))) {
            dialogs.choices = {path};
            std::printf("saving\n");
            std::fflush(stdout);
            killWhenSaveWrites(QFileInfo(path).absolutePath(), QFileInfo(path).fileName());
            window.findChild<QAction *>(QStringLiteral("mnuSaveAs"))->trigger();
            std::printf("saved\n");
        }
        std::fflush(stdout);
    });
    return app.exec();
}
