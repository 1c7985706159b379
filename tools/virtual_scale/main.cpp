// virtual_scale: a scale of any of the six protocols on a pseudo-terminal,
// linked as <folder>/ports/COMn so that the program opens it as port n.

#include "FrameCycle.h"
#include "VirtualScale.h"
#include "WeightScript.h"

#include "link/FrameBuilder.h"
#include "link/FrameLayout.h"
#include "pty/PseudoTerminal.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
}

int fail(const QString &message)
{
    std::fprintf(stderr, "virtual_scale: %s\n", qPrintable(message));
    return 2;
}

// Number option; false when given and not a whole number within [min, max].
bool numberOption(const QCommandLineParser &args, const QString &name, qint64 min, qint64 max,
                  qint64 &value)
{
    if (!args.isSet(name))
        return true;
    bool ok = false;
    value = args.value(name).toLongLong(&ok);
    return ok && value >= min && value <= max;
}

int printFrames(FrameCycle frames, qint64 count)
{
    const qint64 total = count > 0 ? count : frames.passLength();
    for (qint64 i = 0; i < total; ++i) {
        const QByteArray frame = frames.next();
        std::fwrite(frame.constData(), 1, size_t(frame.size()), stdout);
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("virtual_scale"));

    QCommandLineParser args;
    args.setApplicationDescription(QStringLiteral(
        "Plays a weighing scale on a pseudo-terminal linked as <folder>/ports/COM<n>.\n"
        "Steps: [STATUS:]WEIGHT[*REPEAT][/QUANTITY/UNITWEIGHT], separated by commas,\n"
        "e.g. \"12.500,U:12.510*3,0\"; STATUS U marks an unstable reading."));
    args.addHelpOption();
    args.addOptions({
        {QStringLiteral("folder"), QStringLiteral("Program folder to link the port into (default: current)."),
         QStringLiteral("dir"), QStringLiteral(".")},
        {QStringLiteral("port"), QStringLiteral("Port number n of the link ports/COM<n> (default 1)."),
         QStringLiteral("n"), QStringLiteral("1")},
        {QStringLiteral("type"), QStringLiteral("Scale type 0..5 (default 0)."), QStringLiteral("type"),
         QStringLiteral("0")},
        {QStringLiteral("weights"), QStringLiteral("The steps to send (default \"12.500\")."),
         QStringLiteral("steps")},
        {QStringLiteral("script"), QStringLiteral("File of steps; \"#\" starts a comment."),
         QStringLiteral("file")},
        {QStringLiteral("unit"), QStringLiteral("Unit text (default \"kg\")."), QStringLiteral("text"),
         QStringLiteral("kg")},
        {QStringLiteral("enq"), QStringLiteral("Put ENQ into every frame; the program answers with ACK.")},
        {QStringLiteral("interval-ms"),
         QStringLiteral("One frame every <ms> milliseconds (default: back to back at 960 bytes/s)."),
         QStringLiteral("ms")},
        {QStringLiteral("count"), QStringLiteral("Stop after <n> frames (default: loop the script)."),
         QStringLiteral("n")},
        {QStringLiteral("seconds"), QStringLiteral("Stop after <s> seconds."), QStringLiteral("s")},
        {QStringLiteral("stay"),
         QStringLiteral("With --count: after the last frame keep the line up, silent, until stopped.")},
        {QStringLiteral("times"),
         QStringLiteral("Append to <file> the time each frame was sent, a line each, in ms since the epoch."),
         QStringLiteral("file")},
        {QStringLiteral("print"),
         QStringLiteral("Write the frames to standard output instead (the script once without --count).")},
    });
    args.process(app);

    qint64 type = 0, port = 1, interval = 0, count = 0, seconds = 0;
    if (!numberOption(args, QStringLiteral("type"), 0, ScaleTypes::Count - 1, type))
        return fail(QStringLiteral("--type must be 0 to 5"));
    if (!numberOption(args, QStringLiteral("port"), 1, 255, port))
        return fail(QStringLiteral("--port must be 1 to 255"));
    if (!numberOption(args, QStringLiteral("interval-ms"), 1, 3600000, interval)
        || !numberOption(args, QStringLiteral("count"), 1, 1LL << 40, count)
        || !numberOption(args, QStringLiteral("seconds"), 1, 1LL << 31, seconds))
        return fail(QStringLiteral("--interval-ms, --count and --seconds take a positive number"));

    QString steps = args.value(QStringLiteral("weights"));
    if (args.isSet(QStringLiteral("script"))) {
        QFile file(args.value(QStringLiteral("script")));
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            return fail(QStringLiteral("cannot read %1").arg(file.fileName()));
        steps += QLatin1Char('\n') + QString::fromUtf8(file.readAll());
    } else if (steps.isEmpty()) {
        steps = QStringLiteral("12.500");
    }

    const FrameLayout &layout = *FrameLayouts::forType(int(type));
    WeightScript script;
    if (!script.parse(steps, args.value(QStringLiteral("unit")), layout))
        return fail(script.errorText());
    const bool enq = args.isSet(QStringLiteral("enq"));
    QList<FrameCycle::Entry> entries;
    for (const WeightScript::Step &step : script.steps())
        entries.append({*FrameBuilder::build(layout, step.reading, enq), step.repeat});
    FrameCycle frames(std::move(entries));

    if (args.isSet(QStringLiteral("print")))
        return printFrames(std::move(frames), count);

    const QString folder = args.value(QStringLiteral("folder"));
    PseudoTerminal line;
    if (!line.isValid())
        return fail(QStringLiteral("cannot open a pseudo-terminal: %1").arg(line.errorText()));
    const QFileInfo existing(QStringLiteral("%1/ports/COM%2").arg(folder).arg(port));
    if (existing.exists())
        return fail(QStringLiteral("%1 already leads to %2; choose another --port")
                        .arg(existing.filePath(), existing.canonicalFilePath()));
    if (!line.linkAs(folder, int(port)))
        return fail(line.errorText());
    line.releaseSlave();
    // Tells the scale when the program has cleared its input, its cue to begin.
    if (!line.setPacketMode(true))
        return fail(QStringLiteral("cannot put the pseudo-terminal in packet mode"));

    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return fail(QStringLiteral("cannot set up signal handling"));
    QSocketNotifier signalNotifier(signalPipe[0], QSocketNotifier::Read);
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);

    VirtualScale scale(line, std::move(frames), {int(interval), count, enq, args.isSet(QStringLiteral("stay"))});
    QObject::connect(&scale, &VirtualScale::finished, &app, &QCoreApplication::quit);
    // Written as each frame goes, so that a reader sees the times of the frames sent so far.
    QFile times(args.value(QStringLiteral("times")));
    if (args.isSet(QStringLiteral("times"))) {
        if (!times.open(QIODevice::Append | QIODevice::Text))
            return fail(QStringLiteral("cannot write %1").arg(times.fileName()));
        QObject::connect(&scale, &VirtualScale::sent, &times, [&times] {
            times.write(QByteArray::number(QDateTime::currentMSecsSinceEpoch()) + '\n');
            times.flush();
        });
    }
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &scale, &VirtualScale::stop);
    if (seconds > 0)
        QTimer::singleShot(std::chrono::seconds(seconds), &scale, &VirtualScale::stop);

    std::fprintf(stderr, "virtual_scale: type %d on %s, linked as %s\n", int(type),
                 qPrintable(line.slavePath()), qPrintable(existing.absoluteFilePath()));
    scale.start();
    app.exec();
    std::printf("frames=%lld acks=%lld\n", scale.framesSent(), scale.acksReceived());
    return 0;
}
