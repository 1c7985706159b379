#include "app/frm1.h"
#include "app/ProgramFolder.h"
#include "app/QtUserMessages.h"
#include "common/Clock.h"
#include "files/QtFileDialogs.h"
#include "link/QtBeeper.h"
#include "link/QtSerialLine.h"

#include <QApplication>
#include <QStandardPaths>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarovik_RS232"));

    QtUserMessages messages;
    QtFileDialogs fileDialogs;
    MainWindowServices services;
    services.programFolder = ProgramFolder::choose(
        QCoreApplication::applicationDirPath(), QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
    services.commPort = std::make_unique<QtSerialLine>(services.programFolder);
    services.messages = &messages;
    services.fileDialogs = &fileDialogs;
    services.clock = std::make_unique<SystemClock>();
    services.beeper = std::make_unique<QtBeeper>();

    frm1 window(std::move(services));
    messages.showOver(&window);
    fileDialogs.showOver(&window);
    window.show();
    return app.exec();
}
