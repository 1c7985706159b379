#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <deque>
#include <utility>

class QIODevice;

// The outbox file: a header line, then records as the recovery file has
// them (payload length and CRC-32, 32-bit little-endian, then the payload).
// A payload is a kind byte and a 64-bit little-endian number: an event ('E',
// its number, then its JSON as the insert function takes it), an
// acknowledgement ('K': the events up to this number are committed), or a
// floor ('F': the server holds numbers up to this one, so new events are
// numbered above it). Event numbers rise; a record cut short, failing its
// CRC or breaking that order ends what is read. The file is read a record
// at a time: a long outage makes it large, and memory holds none of it.
namespace OutboxFormat {

QByteArray header();
QByteArray event(qint64 seq, QByteArrayView json);
QByteArray acknowledged(qint64 seq);
QByteArray floor(qint64 seq);

struct Entry {
    qint64 seq = 0;
    QByteArray json;
};

// Reads whole records from a device's position on.
class Reader
{
public:
    struct Record {
        char kind = 0;
        qint64 seq = 0;
        QByteArray json; // of an event
    };

    explicit Reader(QIODevice &device);
    // The next whole record whose CRC holds; false at the end or at damage
    // (the device is then back where that record starts).
    bool next(Record &record);
    // Just past the last record read.
    qint64 pos() const { return m_pos; }

private:
    QIODevice &m_device;
    qint64 m_pos;
};

// The numbers the records so far give.
struct Numbers {
    qint64 acknowledged = 0;
    qint64 floor = 0;
    qint64 lastSeq = 0; // the highest number the file gave, 0 for none
    // Numbers a floor made the events skip, (after, up to], above acknowledged.
    QList<std::pair<qint64, qint64>> skipped;

    // The number the next event takes.
    qint64 nextSeq() const { return qMax(qMax(lastSeq, floor), acknowledged) + 1; }
    // Events above acknowledged.
    qint64 pending() const;
    // Each false when the record breaks the order.
    bool takeEvent(qint64 seq);
    bool takeAcknowledged(qint64 seq);
    bool takeFloor(qint64 seq);
};

// Where every few hundredth event starts: the first one not acknowledged is
// found by reading a few hundred records, not the whole file.
class Marks
{
public:
    // firstPending: every event before it is acknowledged.
    void event(qint64 seq, qint64 offset, bool firstPending);
    void acknowledged(qint64 seq);
    // Where a record at or before the first event not acknowledged starts;
    // end when no event is marked.
    qint64 from(qint64 end) const { return m_marks.empty() ? end : m_marks.front().second; }
    void clear() { m_marks.clear(); }

private:
    std::deque<std::pair<qint64, qint64>> m_marks; // event number, offset
    qint64 m_since = 0; // events since the last mark
};

struct Contents : Numbers {
    qint64 validLength = 0; // bytes of the header and whole records
    bool valid = false;     // the header is there (or the file is empty)
    Marks marks;

    // As takeEvent and takeAcknowledged, the marks kept with them; offset:
    // where the event's record starts.
    bool takeEventAt(qint64 seq, qint64 offset);
    bool acknowledge(qint64 seq);
};

// Reads the whole device, holding a record at a time.
Contents read(QIODevice &device);
// The events above after, from the device's position on (a record's
// start); at most max of them (-1: all). end: just past the last record read.
QList<Entry> eventsAfter(QIODevice &device, qint64 after, qsizetype max = -1, qint64 *end = nullptr);

} // namespace OutboxFormat
