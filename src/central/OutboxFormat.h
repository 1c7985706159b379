#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

// The outbox file: a header line, then records as the recovery file has
// them (payload length and CRC-32, 32-bit little-endian, then the payload).
// A payload is a kind byte and a 64-bit little-endian number: an event ('E',
// its number, then its JSON as the insert function takes it), an
// acknowledgement ('K': the events up to this number are committed), or a
// floor ('F': the server holds numbers up to this one, so new events are
// numbered above it). Event numbers rise; a record cut short, failing its
// CRC or breaking that order ends what is read.
namespace OutboxFormat {

QByteArray header();
QByteArray event(qint64 seq, QByteArrayView json);
QByteArray acknowledged(qint64 seq);
QByteArray floor(qint64 seq);

struct Entry {
    qint64 seq = 0;
    QByteArray json;
};

struct Contents {
    qint64 acknowledged = 0;
    QList<Entry> pending;  // above acknowledged, numbers rising by one
    qint64 floor = 0;
    qint64 lastSeq = 0;    // the highest number the file gave, 0 for none
    qint64 validLength = 0; // bytes of the header and whole records
    bool valid = false;    // the header is there (or the file is empty)

    // The number the next event takes.
    qint64 nextSeq() const { return qMax(qMax(lastSeq, floor), acknowledged) + 1; }
};

Contents read(const QByteArray &bytes);

} // namespace OutboxFormat
