#pragma once

#include "app/frm1.h"
#include "common/Clock.h"
#include "support/FakeFileDialogs.h"
#include "support/FakeSerialLine.h"
#include "support/FakeUserMessages.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// The real main window over test doubles, in a program folder of its own:
// message boxes and file dialogs answered by the test, and a fake serial line
// unless the test brings a line of its own.
class TestWindow
{
public:
    QTemporaryDir folder;
    FakeUserMessages messages;
    FakeFileDialogs dialogs;
    FakeSerialLine *line = nullptr; // the fake in use, owned by the window
    std::unique_ptr<frm1> window;
    UserMessages *boxes = &messages; // real boxes instead, where a test sets them

    // Starts (or starts again) the program and shows its window.
    frm1 &start(std::unique_ptr<SerialLine> commPort = nullptr, std::unique_ptr<Clock> clock = nullptr)
    {
        window.reset();
        line = nullptr;
        if (!commPort) {
            auto fake = std::make_unique<FakeSerialLine>();
            line = fake.get();
            commPort = std::move(fake);
        }
        MainWindowServices services;
        services.programFolder = folder.path();
        services.commPort = std::move(commPort);
        services.messages = boxes;
        services.fileDialogs = &dialogs;
        services.clock = std::move(clock);
        window = std::make_unique<frm1>(std::move(services));
        window->show();
        // Long for the X tests (see XServer::WindowTimeoutMs); offscreen it is at once.
        // Asked again now and then: a window manager that came up late, beside
        // other X servers starting, may have let the first request go.
        QDeadlineTimer deadline(30000);
        do {
            window->activateWindow();
            if (QTest::qWaitForWindowActive(window.get(), 2000))
                return *window;
        } while (!deadline.hasExpired());
        qFatal("the main window did not show");
        return *window;
    }

    // Types text as key presses, Cyrillic too (QTest::keyClicks takes Latin-1 only).
    static void type(QWidget *widget, const QString &text)
    {
        for (const QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(widget, &press);
            QApplication::sendEvent(widget, &release);
        }
    }

    QString ini() const { return QDir(folder.path()).filePath(QStringLiteral("Init.ini")); }
};
