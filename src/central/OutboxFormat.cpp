#include "central/OutboxFormat.h"

#include "recovery/RecoveryFormat.h"

#include <QtEndian>

namespace OutboxFormat {

namespace {

constexpr char Event = 'E';
constexpr char Acknowledged = 'K';
constexpr char Floor = 'F';

QByteArray numbered(char kind, qint64 seq)
{
    QByteArray p(9, Qt::Uninitialized);
    p[0] = kind;
    qToLittleEndian<qint64>(seq, p.data() + 1);
    return p;
}

} // namespace

QByteArray header()
{
    return QByteArrayLiteral("Tarovik outbox 1\n");
}

QByteArray event(qint64 seq, QByteArrayView json)
{
    QByteArray p = numbered(Event, seq);
    p.append(json.data(), json.size());
    return p;
}

QByteArray acknowledged(qint64 seq)
{
    return numbered(Acknowledged, seq);
}

QByteArray floor(qint64 seq)
{
    return numbered(Floor, seq);
}

Contents read(const QByteArray &bytes)
{
    Contents c;
    const QByteArray head = header();
    if (bytes.isEmpty()) {
        c.valid = true;
        return c;
    }
    if (!bytes.startsWith(head))
        return c;
    c.valid = true;
    qsizetype pos = head.size();
    c.validLength = pos;
    while (bytes.size() - pos >= 8) {
        const quint32 length = qFromLittleEndian<quint32>(bytes.constData() + pos);
        const quint32 crc = qFromLittleEndian<quint32>(bytes.constData() + pos + 4);
        if (length < 9 || qint64(length) > bytes.size() - pos - 8)
            break;
        const QByteArrayView p(bytes.constData() + pos + 8, length);
        if (RecoveryFormat::crc32(p) != crc)
            break;
        const qint64 seq = qFromLittleEndian<qint64>(p.data() + 1);
        if (p[0] == Event) {
            // Numbers rise by one; a floor before it is the one jump.
            if (seq != c.nextSeq())
                break;
            c.lastSeq = seq;
            if (seq > c.acknowledged)
                c.pending.append(Entry{seq, p.sliced(9).toByteArray()});
        } else if (p[0] == Acknowledged) {
            if (seq < c.acknowledged || seq < 0)
                break;
            c.acknowledged = seq;
            while (!c.pending.isEmpty() && c.pending.first().seq <= seq)
                c.pending.removeFirst();
        } else if (p[0] == Floor) {
            if (seq < 0)
                break;
            c.floor = qMax(c.floor, seq);
        } else {
            break;
        }
        pos += 8 + length;
        c.validLength = pos;
    }
    return c;
}

} // namespace OutboxFormat
