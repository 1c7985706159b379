#pragma once

#include "app/frm1.h"
#include "support/FakeFileDialogs.h"
#include "support/FakeSerialLine.h"
#include "support/FakeUserMessages.h"

#include <QDir>
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

    // Starts (or starts again) the program and shows its window.
    frm1 &start(std::unique_ptr<SerialLine> commPort = nullptr)
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
        services.messages = &messages;
        services.fileDialogs = &dialogs;
        window = std::make_unique<frm1>(std::move(services));
        window->show();
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window.get()))
            qFatal("the main window did not show");
        return *window;
    }

    QString ini() const { return QDir(folder.path()).filePath(QStringLiteral("Init.ini")); }
};
