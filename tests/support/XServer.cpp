#include "support/XServer.h"

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
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    for (int fd = 3; fd < 1024; ++fd) {
        if (fd != keepFd)
            close(fd);
    }
    if (std::string(program) == "Xvfb")
        execlp("Xvfb", "Xvfb", "-displayfd", arg1.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
               static_cast<char *>(nullptr));
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
    if (!windowManager)
        return true;
    m_wm = spawn("openbox");
    if (!waitForWindowManager()) {
        std::fprintf(stderr, "openbox did not start (is the openbox package installed?)\n");
        return false;
    }
    return true;
}

// A window manager announces itself on the root window.
bool XServer::waitForWindowManager()
{
    for (int i = 0; i < 200; ++i) {
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
