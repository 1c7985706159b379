#pragma once

#include <QByteArray>
#include <QList>

// The frames of a script in sending order, each step's frame as often as the
// step repeats, starting over after the last one.
class FrameCycle
{
public:
    struct Entry {
        QByteArray frame;
        int repeat = 1;
    };

    explicit FrameCycle(QList<Entry> entries) : m_entries(std::move(entries)) {}

    // Frames in one pass through the script.
    qint64 passLength() const;
    QByteArray next();

private:
    QList<Entry> m_entries;
    int m_step = 0;
    int m_repeat = 0;
};
