#pragma once

#include <QStringList>

class SerialLine;

namespace PortScan {

constexpr int FirstPort = 1;
constexpr int LastPort = 16;

// Probes ports 1 to 16 on the given line and lists, in ascending order, the
// decimal text of each one that exists, whether it opened or is held by
// another program. Leaves the line closed with the probe settings.
QStringList scan(SerialLine &line);

} // namespace PortScan
