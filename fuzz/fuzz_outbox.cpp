// The outbox file reader on any bytes: it never crashes or hangs, what it
// gives is numbered as the outbox numbers (rising by one above the last
// acknowledged, past a floor at most once a jump), damage after the last
// whole record changes nothing, and what it gives written anew reads the same.
#include "FuzzSupport.h"

#include "central/OutboxFormat.h"
#include "recovery/RecoveryFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const OutboxFormat::Contents c = OutboxFormat::read(bytes);
    if (!c.valid)
        return 0;
    require(c.validLength >= 0 && c.validLength <= bytes.size(), "the whole records lie in the file");
    require(c.acknowledged >= 0 && c.floor >= 0, "no number below zero");
    for (qsizetype i = 0; i < c.pending.size(); ++i) {
        require(c.pending[i].seq > c.acknowledged, "only what is not acknowledged is pending");
        require(i == 0 || c.pending[i].seq > c.pending[i - 1].seq, "numbers rise");
    }
    require(c.pending.isEmpty() || c.pending.last().seq == c.lastSeq, "the last event is the last number");
    require(c.nextSeq() > qMax(c.lastSeq, qMax(c.floor, c.acknowledged)), "the next number is above all");

    const OutboxFormat::Contents cut = OutboxFormat::read(bytes.left(c.validLength));
    require(cut.valid && cut.validLength == c.validLength && cut.nextSeq() == c.nextSeq()
                && cut.pending.size() == c.pending.size(),
            "the damage after the last whole record changes nothing");

    // The pending events written anew as the outbox compacts them.
    QByteArray again = OutboxFormat::header();
    RecoveryFormat::appendRecord(again, OutboxFormat::acknowledged(c.acknowledged));
    qint64 next = c.acknowledged + 1;
    for (const OutboxFormat::Entry &e : c.pending) {
        if (e.seq != next)
            RecoveryFormat::appendRecord(again, OutboxFormat::floor(e.seq - 1));
        RecoveryFormat::appendRecord(again, OutboxFormat::event(e.seq, e.json));
        next = e.seq + 1;
    }
    const OutboxFormat::Contents reread = OutboxFormat::read(again);
    require(reread.validLength == again.size() && reread.pending.size() == c.pending.size(),
            "the pending events written anew read back whole");
    for (qsizetype i = 0; i < c.pending.size(); ++i)
        require(reread.pending[i].seq == c.pending[i].seq && reread.pending[i].json == c.pending[i].json,
                "event by event");
    return 0;
}
