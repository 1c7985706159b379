#pragma once

#include "link/JournalTime.h"
#include "link/ScaleReading.h"

#include <QLocale>
#include <QObject>

#include <functional>

class Beeper;
class Clock;
class JournalGrid;
class LiveSettings;

// Decides whether a reading becomes a journal row, and appends it: unstable
// and zero readings only when the settings ask for them, and only when the
// weight moved by the dead zone or more since the previous reading.
class Recorder : public QObject
{
    Q_OBJECT

public:
    // What the recorder reads and writes around the journal.
    struct Window {
        std::function<QString()> noteText;                  // txtPrim
        // sbrChat: emptied after a recorded reading; a reading the dead zone
        // held back although its weight moved says so.
        std::function<void(const QString &)> setStatusText;
        // Before a row is appended: a note being typed is stored first, so
        // its row is no empty row to replace.
        std::function<void()> beforeRecording = {};
        // The id a reading's row gets (JournalGrid::readingId), given its
        // data cells, before the row is appended; none: 0.
        std::function<qint64(const QStringList &)> readingId = {};
    };

    Recorder(JournalGrid &journal, const LiveSettings &settings, const Clock &clock, Beeper &beeper,
             Window window, QLocale locale = JournalTime::programLocale());

    void RecordReading(const ScaleReading &reading, float deadZone);

    // The weight of the latest reading that got as far as the dead-zone test,
    // recorded or not; 0 at start.
    float prevWeight() const { return m_prevWeight; }

signals:
    // A row was appended to the journal.
    void recorded();

private:
    void removeEmptyCurrentRow();
    QString nextNumber() const;

    JournalGrid &m_journal;
    const LiveSettings &m_settings;
    const Clock &m_clock;
    Beeper &m_beeper;
    Window m_window;
    JournalTime::Writer m_timeText;
    float m_prevWeight = 0;
};
