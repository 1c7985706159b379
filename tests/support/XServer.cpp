#include "support/XServer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QTest>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Runs a program whose life ends with this process's.
pid_t spawn(const char *program, const std::string &arg1 = {}, int keepFd = -1)
{
    const std::string screen = XServer::screenSize().toStdString() + "x24";
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    for (int fd = 3; fd < 1024; ++fd) {
        if (fd != keepFd)
            close(fd);
    }
    if (std::string(program) == "Xvfb")
        // With -displayfd it takes the first number whose sockets it can
        // all bind (-nopn): by default it settles for its socket file alone
        // when another server (another test's, another root's) holds the
        // abstract socket of that number, and its clients, which try the
        // abstract socket first, then reach the other server.
        execlp("Xvfb", "Xvfb", "-displayfd", arg1.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp",
               "-nopn", static_cast<char *>(nullptr));
    else
        execlp(program, program, static_cast<char *>(nullptr));
    _exit(127);
}

void stop(pid_t &pid)
{
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    for (int i = 0; i < 200; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) {
            pid = -1;
            return;
        }
        usleep(10000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    pid = -1;
}

} // namespace

QString XServer::screenSize()
{
    const QString size = qEnvironmentVariable("TAROVIK_X11_SCREEN");
    return size.isEmpty() ? QStringLiteral("1280x1024") : size;
}

bool XServer::rerunWithScreen(const QString &size, const QString &testFunction)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TAROVIK_X11_SCREEN"), size);
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QCoreApplication::applicationFilePath(), {testFunction});
    return child.waitForFinished(60000) && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0;
}

XServer::~XServer()
{
    stop(m_wm);
    stop(m_xvfb);
}

bool XServer::start(bool windowManager)
{
    int fds[2];
    if (pipe(fds) != 0)
        return false;
    m_xvfb = spawn("Xvfb", std::to_string(fds[1]), fds[1]);
    close(fds[1]);
    // Xvfb writes the display number it took once it accepts connections.
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    char c = 0;
    while (poll(&p, 1, 20000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(fds[0]);
    if (number.empty()) {
        std::fprintf(stderr, "Xvfb did not start (is the xvfb package installed?)\n");
        return false;
    }
    setenv("DISPLAY", (":" + number).c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    if (!addCyrillicKeys()) {
        std::fprintf(stderr, "xmodmap could not add the Cyrillic keys (is x11-xserver-utils installed?)\n");
        return false;
    }
    if (!windowManager)
        return true;
    // Now and then, beside other X servers starting, openbox cannot open the
    // display at its first try; it then ends at once and is started again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        m_wm = spawn("openbox");
        if (waitForWindowManager())
            return true;
        stop(m_wm);
    }
    std::fprintf(stderr, "openbox did not start (is the openbox package installed?)\n");
    return false;
}

// The Russian letters (and №) on keys of their own, in place of multimedia
// keys no test presses, before any client connects. xdotool's "type" binds
// each letter not on the keyboard to a spare key for the moment of its
// keystroke: a client too slow to read the changed map in that moment (a
// loaded machine, the sanitizers) gets the key with no letter or with the
// one before, so letters went missing or doubled. type() presses these keys.
bool XServer::addCyrillicKeys()
{
    QStringList args;
    int key = FirstCyrillicKey;
    for (int c = 0x430; c <= 0x44f; ++c) // а … я, and А … Я with Shift
        args << QStringLiteral("-e") << QStringLiteral("keycode %1 = U%2 U%3").arg(key++).arg(c, 4, 16, QLatin1Char('0')).arg(c - 32, 4, 16, QLatin1Char('0'));
    args << QStringLiteral("-e") << QStringLiteral("keycode %1 = U0451 U0401").arg(key); // ё Ё
    args << QStringLiteral("-e") << QStringLiteral("keycode %1 = U2116").arg(key + 1); // №
    QProcess xmodmap;
    xmodmap.start(QStringLiteral("xmodmap"), args);
    return xmodmap.waitForFinished(20000) && xmodmap.exitStatus() == QProcess::NormalExit && xmodmap.exitCode() == 0;
}

bool XServer::type(const QString &text, int delayMs, int timeoutMs)
{
    // The keys of the keyboard by "type", the others by their symbol, which
    // addCyrillicKeys() put on keys: nothing is bound while typing. A "type"
    // takes every word after it as text, so it ends a run of xdotool.
    QStringList args;
    const QString delay = QString::number(delayMs);
    QString run;
    for (const QChar c : text) {
        if (c.unicode() < 0x80) {
            run += c;
            continue;
        }
        if (!run.isEmpty()) {
            if (!xdotool(args << QStringLiteral("type") << QStringLiteral("--delay") << delay << run, timeoutMs))
                return false;
            args.clear();
            run.clear();
        }
        args << QStringLiteral("key") << QStringLiteral("--delay") << delay
             << QStringLiteral("U%1").arg(c.unicode(), 4, 16, QLatin1Char('0')).toUpper();
    }
    if (!run.isEmpty())
        args << QStringLiteral("type") << QStringLiteral("--delay") << delay << run;
    return args.isEmpty() || xdotool(args, timeoutMs);
}

// A window manager announces itself on the root window; false once it ended.
bool XServer::waitForWindowManager()
{
    for (int i = 0; i < 200; ++i) {
        if (waitpid(m_wm, nullptr, WNOHANG) == m_wm) {
            m_wm = -1;
            return false;
        }
        QProcess xprop;
        xprop.start(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")});
        if (xprop.waitForFinished(5000) && xprop.readAllStandardOutput().contains("window id"))
            return true;
        usleep(50000);
    }
    return false;
}

bool XServer::xdotool(const QStringList &args, int timeoutMs)
{
    QProcess tool;
    tool.start(QStringLiteral("xdotool"), args);
    if (!tool.waitForStarted(5000))
        return false;
    const QDeadlineTimer deadline(timeoutMs);
    while (tool.state() != QProcess::NotRunning && !deadline.hasExpired())
        QTest::qWait(5);
    if (tool.state() != QProcess::NotRunning) {
        tool.kill();
        tool.waitForFinished(1000);
        return false;
    }
    // What was sent reaches the application before the test looks.
    QTest::qWait(50);
    return tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
}
