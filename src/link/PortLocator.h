#pragma once

#include <QString>

// Where the device of serial port number n lives. On Windows port n is the
// system's own "COMn". Elsewhere the program folder may name it: a link (or a
// device file) "<folder>/ports/COMn" points at the device — a USB adapter, a
// pseudo-terminal of the virtual scale —; without one, port n is the legacy
// node /dev/ttyS<n-1>.
class PortLocator
{
public:
    explicit PortLocator(const QString &programFolder);

    // "<folder>/ports/COMn": where the link for port n is looked for.
    QString linkPath(int number) const;

    // The device to open for port n, with links resolved; empty when the port
    // cannot exist: a link whose target is missing, or a number below 1. The
    // path need not exist (a ttyS fallback is checked by the caller).
    QString devicePath(int number) const;

    // True for /dev/ttyS<digits>: the kernel creates such nodes whether or not
    // a UART is behind them, so their existence proves nothing.
    static bool isLegacyUartNode(const QString &path);

private:
    QString m_folder;
};
