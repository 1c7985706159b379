// The soak: the real main window and serial line receiving from the virtual
// scale at full line rate for a long run, ENQ in every frame, dead zone 0.
// Every frame must become exactly one echoed chunk, one ACK and one journal
// row, in the order sent, while the program's memory stays flat.
//   soak [seconds [scale type]]     (default 600 s, type 0)
// Prints a memory sample every minute and the totals at the end; exits 1 when
// anything was lost, duplicated or reordered.

#include "app/frm1.h"
#include "files/FileCommands.h"
#include "files/JournalFile.h"
#include "journal/JournalGrid.h"
#include "link/FrameLayout.h"
#include "link/QtSerialLine.h"
#include "link/ScaleLink.h"
#include "settings/IniTxt.h"
#include "settings/frmSettings.h"
#include "support/FakeFileDialogs.h"
#include "support/FakeUserMessages.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

constexpr int WeightCount = 97; // distinct weights the scale cycles through
constexpr int SampleMs = 60000;

// Resident memory of this process in MiB.
double residentMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return -1;
}

QString weightText(int i)
{
    return QString::number(1 + i / 1000.0, 'f', 3);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 600;
    const int type = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 0;
    if (seconds < 1 || !FrameLayouts::forType(type)) {
        std::fprintf(stderr, "usage: soak [seconds [scale type 0..5]]\n");
        return 2;
    }

    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("Init.ini"));
    const QString user = QStringLiteral("UserSettings");
    WriteIniValue(ini, user, QStringLiteral("txtValTypeScale"), QString::number(type));
    WriteIniValue(ini, user, QStringLiteral("arrLuft_%1").arg(type), QStringLiteral("0"));
    WriteIniValue(ini, user, QStringLiteral("chkWriteZero"), QStringLiteral("1"));
    WriteIniValue(ini, user, QStringLiteral("chkShowStreamData"), QStringLiteral("1"));

    FakeUserMessages messages;
    FakeFileDialogs dialogs;
    MainWindowServices services;
    services.programFolder = dir.path();
    services.commPort = std::make_unique<QtSerialLine>(dir.path());
    services.messages = &messages;
    services.fileDialogs = &dialogs;
    frm1 window(std::move(services));
    window.show();
    qint64 chunks = 0;
    QObject::connect(&window.scaleLink().dataStream(), &QAbstractItemModel::rowsInserted, [&chunks] { ++chunks; });

    QStringList weights;
    for (int i = 0; i < WeightCount; ++i)
        weights << weightText(i);
    QProcess scale;
    scale.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    scale.start(QStringLiteral(VIRTUAL_SCALE_PATH),
                {"--folder", dir.path(), "--port", "1", "--type", QString::number(type), "--enq", "--seconds",
                 QString::number(seconds), "--weights", weights.join(QLatin1Char(','))});
    QElapsedTimer clock;
    clock.start();
    while (!QFileInfo::exists(dir.filePath(QStringLiteral("ports/COM1"))) && clock.elapsed() < 10000)
        app.processEvents(QEventLoop::AllEvents, 10);
    window.settingsDialog().findChild<QComboBox *>(QStringLiteral("lstCommNom"))->setEditText(QStringLiteral("1"));
    window.tbr1_ButtonClick(QStringLiteral("tbrReadAllPlu"));

    const JournalGrid &journal = window.journal();
    auto sample = [&] {
        std::printf("%6.0f s  rss %7.1f MiB  rows %7d  chunks %7lld\n", clock.elapsed() / 1000.0, residentMiB(),
                    journal.Rows() - 1, chunks);
        std::fflush(stdout);
    };
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, sample);
    sampler.start(SampleMs);
    QTimer::singleShot(5000, sample);
    // exit() rather than quit(): quit() would close the window, which asks about the unsaved rows.
    QObject::connect(&scale, &QProcess::finished, &app, [] { QTimer::singleShot(1000, [] { QApplication::exit(0); }); });
    app.exec();
    sample();
    window.tbr1_ButtonClick(QStringLiteral("tbrStopRead"));

    // The journal: the weights in the order the scale cycles through them.
    const int rows = journal.Rows() - 1;
    int outOfOrder = 0;
    const int first = int(weights.indexOf(journal.TextMatrix(1, 2).trimmed()));
    for (int r = 1; r <= rows; ++r) {
        if (journal.TextMatrix(r, 2).trimmed() != weights[(first + r - 1) % WeightCount])
            ++outOfOrder;
    }
    const QString file = QDir(dir.path()).filePath(QStringLiteral("journal.txt"));
    const bool saved = window.fileCommands().WriteJournalFile(file, QStringLiteral("\t"));
    const std::optional<QStringList> reread = JournalFile::readRows(file);

    const QList<QByteArray> counts = scale.readAllStandardOutput().trimmed().split(' ');
    const qint64 sent = counts.value(0).mid(7).toLongLong();
    const qint64 acks = counts.value(1).mid(5).toLongLong();
    std::printf("frames sent %lld, ACKs received %lld, chunks echoed %lld, rows %d, first weight %d, "
                "out of order %d, saved %s (%lld lines), messages %d\n",
                sent, acks, chunks, rows, first, outOfOrder, saved ? "yes" : "no",
                reread ? qint64(reread->size()) : -1LL, int(messages.messages().size()));
    for (const QString &text : messages.texts())
        std::printf("message: %s\n", qPrintable(text));
    // The one message: the scale's line went away when it stopped.
    const bool sound = sent > 0 && acks == sent && chunks == sent && rows == sent && first == 0 && outOfOrder == 0
                       && saved && reread && reread->size() == rows
                       && messages.texts() == QStringList{QStringLiteral("Разрав связи с весами!")};
    std::printf("%s\n", sound ? "soak passed" : "soak FAILED");
    return sound ? 0 : 1;
}
