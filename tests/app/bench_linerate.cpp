// Reception at a scale's full line rate: the main window receiving from the
// virtual scale (type 0, 16-byte frames back to back at 960 bytes/s) through
// the real serial line. Prints the processor time the program used and what
// it handled. Run: bench_linerate [seconds [weights [dead zone]]] (default
// 10 s, every frame another weight, dead zone 0: every frame becomes a row).
// The data-stream window is shown unless SHOW_STREAM=0.

#include "app/frm1.h"
#include "journal/JournalGrid.h"
#include "link/QtSerialLine.h"
#include "link/ScaleLink.h"
#include "settings/IniTxt.h"
#include "settings/frmSettings.h"
#include "support/FakeUserMessages.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <sys/resource.h>

namespace {

double cpuSeconds()
{
    rusage u {};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 10;

    QTemporaryDir dir;
    const QString deadZone = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QStringLiteral("0");
    const QString ini = dir.filePath(QStringLiteral("Init.ini"));
    WriteIniValue(ini, QStringLiteral("UserSettings"), QStringLiteral("arrLuft_0"), deadZone);
    WriteIniValue(ini, QStringLiteral("UserSettings"), QStringLiteral("chkShowStreamData"),
                  qEnvironmentVariable("SHOW_STREAM", QStringLiteral("1")));
    FakeUserMessages messages;
    MainWindowServices services;
    services.programFolder = dir.path();
    services.commPort = std::make_unique<QtSerialLine>(dir.path());
    services.messages = &messages;
    frm1 window(std::move(services));
    window.show();

    QProcess scale;
    scale.start(QStringLiteral(VIRTUAL_SCALE_PATH),
                {"--folder", dir.path(), "--port", "9", "--type", "0", "--enq", "--weights",
                 argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("1.000,2.000")});
    while (!QFileInfo::exists(dir.filePath(QStringLiteral("ports/COM9"))))
        QThread::msleep(10);
    window.settingsDialog().findChild<QComboBox *>(QStringLiteral("lstCommNom"))->setEditText(QStringLiteral("9"));
    window.tbr1_ButtonClick(QStringLiteral("tbrReadAllPlu"));

    const double cpuStart = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QTimer::singleShot(seconds * 1000, &app, &QApplication::quit);
    app.exec();
    const double cpu = cpuSeconds() - cpuStart;
    const double elapsed = wall.elapsed() / 1000.0;
    window.tbr1_ButtonClick(QStringLiteral("tbrStopRead"));
    scale.terminate();
    scale.waitForFinished();

    std::printf("%.1f s: %d chunks echoed, %d rows, processor %.2f s (%.1f %%), messages: %d\n", elapsed,
                window.scaleLink().dataStream().count(), window.journal().Rows() - 1, cpu, 100 * cpu / elapsed,
                int(messages.messages().size()));
    std::printf("scale: %s", scale.readAllStandardOutput().constData());
    return 0;
}
