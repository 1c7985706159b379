#include "app/QtUserMessages.h"
#include "app/frm1.h"
#include "link/Clock.h"
#include "link/QtBeeper.h"
#include "link/QtSerialLine.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarovik_RS232"));

    QtUserMessages messages;
    MainWindowServices services;
    services.programFolder = QCoreApplication::applicationDirPath();
    services.commPort = std::make_unique<QtSerialLine>(services.programFolder);
    services.messages = &messages;
    services.clock = std::make_unique<SystemClock>();
    services.beeper = std::make_unique<QtBeeper>();

    frm1 window(std::move(services));
    messages.setParent(&window);
    window.show();
    return app.exec();
}
