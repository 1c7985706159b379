#pragma once

#include "central/CentralSender.h"

#include <QString>

// The connection "Все весы" reads the central journal on: that of the
// central settings (CentralSettings), whose login is to be a member of
// tarovik_viewer.
namespace ViewerConnection {

// libpq's connection string for it, every value quoted.
QString conninfo(const CentralConnection &connection);

} // namespace ViewerConnection
