#include "Benches.h"

#include "link/FrameBuilder.h"
#include "settings/IniTxt.h"
#include "support/TestWindow.h"

void writeSettings(const TestWindow &window, const Settings &settings)
{
    for (const auto &s : settings) {
        const bool last = s.first == QLatin1String("CommNom");
        WriteIniValue(window.ini(), last ? QStringLiteral("LastSettings") : QStringLiteral("UserSettings"), s.first,
                      s.second);
    }
}

QByteArray frameOf(int type, const QString &weight)
{
    FrameContent content;
    content.weight = weight;
    content.unit = QStringLiteral("kg");
    content.quantity = QStringLiteral("10");
    content.unitWeight = QStringLiteral("0.125");
    return *FrameBuilder::build(*FrameLayouts::forType(type), content, true);
}
