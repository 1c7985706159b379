// The outbox file reader on any bytes: it never crashes or hangs, what it
// gives is numbered as the outbox numbers (rising by one above the last
// acknowledged, past a floor at most once a jump), the marks find the first
// event not acknowledged, damage after the last whole record changes
// nothing, and what it gives written anew reads the same.
#include "FuzzSupport.h"

#include "central/OutboxFormat.h"
#include "recovery/RecoveryFormat.h"

#include <QBuffer>

namespace {

OutboxFormat::Contents contents(QByteArray bytes)
{
    QBuffer b(&bytes);
    b.open(QIODevice::ReadOnly);
    return OutboxFormat::read(b);
}

// The events above after, read from offset on.
QList<OutboxFormat::Entry> events(QByteArray bytes, qint64 offset, qint64 after)
{
    QBuffer b(&bytes);
    b.open(QIODevice::ReadOnly);
    b.seek(offset);
    return OutboxFormat::eventsAfter(b, after);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const OutboxFormat::Contents c = contents(bytes);
    if (!c.valid)
        return 0;
    require(c.validLength >= 0 && c.validLength <= bytes.size(), "the whole records lie in the file");
    require(c.acknowledged >= 0 && c.floor >= 0, "no number below zero");
    const QByteArray whole = bytes.left(c.validLength);
    const QList<OutboxFormat::Entry> pending =
        events(whole, qMin<qint64>(OutboxFormat::header().size(), whole.size()), c.acknowledged);
    require(pending.size() == c.pending(), "the count is of the events not acknowledged");
    for (qsizetype i = 1; i < pending.size(); ++i)
        require(pending[i].seq > pending[i - 1].seq, "numbers rise");
    require(pending.isEmpty() || pending.last().seq == c.lastSeq, "the last event is the last number");
    require(c.nextSeq() > qMax(c.lastSeq, qMax(c.floor, c.acknowledged)), "the next number is above all");
    const QList<OutboxFormat::Entry> fromMark = events(whole, c.marks.from(c.validLength), c.acknowledged);
    require(fromMark.size() == pending.size(), "the marks lie at or before the first event not acknowledged");

    const OutboxFormat::Contents cut = contents(whole);
    require(cut.valid && cut.validLength == c.validLength && cut.nextSeq() == c.nextSeq()
                && cut.pending() == c.pending(),
            "the damage after the last whole record changes nothing");

    // The pending events written anew as the outbox compacts them.
    QByteArray again = OutboxFormat::header();
    RecoveryFormat::appendRecord(again, OutboxFormat::acknowledged(c.acknowledged));
    qint64 next = c.acknowledged + 1;
    for (const OutboxFormat::Entry &e : pending) {
        if (e.seq != next)
            RecoveryFormat::appendRecord(again, OutboxFormat::floor(e.seq - 1));
        RecoveryFormat::appendRecord(again, OutboxFormat::event(e.seq, e.json));
        next = e.seq + 1;
    }
    const OutboxFormat::Contents reread = contents(again);
    const QList<OutboxFormat::Entry> rereadPending = events(again, OutboxFormat::header().size(), c.acknowledged);
    require(reread.validLength == again.size() && reread.pending() == c.pending(),
            "the pending events written anew read back whole");
    for (qsizetype i = 0; i < pending.size(); ++i)
        require(rereadPending[i].seq == pending[i].seq && rereadPending[i].json == pending[i].json,
                "event by event");
    return 0;
}
