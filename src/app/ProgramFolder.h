#pragma once

#include <QString>

// Where the program keeps Init.ini and the ports/ links: beside the
// executable when that folder can be written (a build or a copy in the
// operator's folder), else the user's configuration folder (an installed
// program).
namespace ProgramFolder {

// True when a file can be created in folder (whoever runs the program, root
// included, and read-only mounts).
bool writable(const QString &folder);

// executableFolder when writable, else configFolder (created if missing).
QString choose(const QString &executableFolder, const QString &configFolder);

} // namespace ProgramFolder
