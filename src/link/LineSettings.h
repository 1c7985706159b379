#pragma once

#include <QString>

#include <optional>

// The line settings text of a serial port, "baud,parity,data,stop" as in
// "9600,N,8,1": baud a positive whole number, parity one of N E O M S (none,
// even, odd, mark, space; either case), 5 to 8 data bits, 1, 1.5 or 2 stop
// bits.
struct LineSettings {
    enum class Parity { None, Even, Odd, Mark, Space };
    enum class StopBits { One, OneAndHalf, Two };

    int baudRate = 9600;
    Parity parity = Parity::None;
    int dataBits = 8;
    StopBits stopBits = StopBits::One;

    // nullopt for a malformed text.
    static std::optional<LineSettings> parse(const QString &text);
};
