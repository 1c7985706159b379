#pragma once

#include <QString>
#include <QStringList>

#include <sys/types.h>

// A virtual X server (Xvfb) of the test's own, on a free display, and
// optionally a window manager (openbox) on it: for tests of native keys and
// window frames, which the offscreen platform hides. Started before the
// application object, so that Qt connects to it; both are killed when this
// object goes, and also when the test process dies (parent-death signal).
class XServer
{
public:
    XServer() = default;
    XServer(const XServer &) = delete;
    XServer &operator=(const XServer &) = delete;
    ~XServer();

    // How long a window may take to show and be activated by the window
    // manager: long, since it only ends a test that would fail anyway, and a
    // loaded machine under the sanitizers takes seconds.
    static constexpr int WindowTimeoutMs = 30000;

    // Starts Xvfb (and openbox), points DISPLAY at it and selects Qt's xcb
    // platform. False, with the cause on stderr, when it cannot.
    bool start(bool windowManager);

    // Runs xdotool with args, letting the application handle events
    // meanwhile (the keys and readings arrive as a person's would). True
    // when it ran and succeeded within timeoutMs.
    static bool xdotool(const QStringList &args, int timeoutMs = 30000);
    // Types text with real keys, delayMs between them, Russian letters too.
    static bool type(const QString &text, int delayMs, int timeoutMs = 30000);

    // The screen's size, "1280x1024" unless TAROVIK_X11_SCREEN says another.
    static QString screenSize();
    // Runs this test program again, on a server of its own whose screen has
    // the size given, for one test function (and data tag, "name:tag").
    // True when it passed. A way to try several screens in one data-driven test.
    static bool rerunWithScreen(const QString &size, const QString &testFunction);

private:
    static constexpr int FirstCyrillicKey = 150; // XF86Sleep, XF86WakeUp, …
    static bool addCyrillicKeys();
    bool waitForWindowManager();

    pid_t m_xvfb = -1;
    pid_t m_wm = -1;
};

// main() of a Qt Test that needs a real X server.
#define TAROVIK_X11_TEST_MAIN(TestClass, windowManager)                                                                \
    int main(int argc, char *argv[])                                                                                   \
    {                                                                                                                  \
        XServer x;                                                                                                     \
        if (!x.start(windowManager))                                                                                   \
            return 1;                                                                                                  \
        QApplication app(argc, argv);                                                                                  \
        TestClass test;                                                                                                \
        return QTest::qExec(&test, argc, argv);                                                                        \
    }
