#include "settings/PortScan.h"

#include "common/SerialLine.h"

namespace PortScan {

QStringList scan(SerialLine &line)
{
    QStringList found;
    for (int n = FirstPort; n <= LastPort; ++n) {
        line.setCommPort(n);
        line.setSettings(QStringLiteral("115200,E,8,1"));
        line.setRThreshold(1);
        if (line.setPortOpen(true) == SerialLine::ErrInvalidPortNumber)
            continue;
        line.setPortOpen(false);
        found.append(QString::number(n));
    }
    return found;
}

} // namespace PortScan
