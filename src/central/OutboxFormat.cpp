#include "central/OutboxFormat.h"

#include "recovery/RecoveryFormat.h"

#include <QIODevice>
#include <QtEndian>

namespace OutboxFormat {

namespace {

constexpr char Event = 'E';
constexpr char Acknowledged = 'K';
constexpr char Floor = 'F';
// Events between two marks.
constexpr qint64 MarkEvery = 256;

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

Reader::Reader(QIODevice &device)
    : m_device(device)
    , m_pos(device.pos())
{
}

bool Reader::next(Record &record)
{
    const auto back = [this] {
        m_device.seek(m_pos);
        return false;
    };
    char head[8];
    if (m_device.read(head, 8) != 8)
        return back();
    const quint32 length = qFromLittleEndian<quint32>(head);
    const quint32 crc = qFromLittleEndian<quint32>(head + 4);
    // A length past the end is damage, not a reason to allocate it.
    if (length < 9 || (length > (1u << 20) && qint64(length) > m_device.size() - m_pos - 8))
        return back();
    const QByteArray p = m_device.read(length);
    if (p.size() != qsizetype(length) || RecoveryFormat::crc32(p) != crc)
        return back();
    record.kind = p[0];
    record.seq = qFromLittleEndian<qint64>(p.constData() + 1);
    record.json = record.kind == Event ? p.sliced(9) : QByteArray();
    m_pos += 8 + length;
    return true;
}

qint64 Numbers::pending() const
{
    qint64 n = qMax<qint64>(0, lastSeq - acknowledged);
    for (const auto &[after, upTo] : skipped)
        n -= qMax<qint64>(0, upTo - qMax(after, acknowledged));
    return n;
}

bool Numbers::takeEvent(qint64 seq)
{
    // Numbers rise by one; a floor before it is the one jump.
    if (seq != nextSeq())
        return false;
    const qint64 after = qMax(lastSeq, acknowledged);
    if (seq - 1 > after)
        skipped.append({after, seq - 1});
    lastSeq = seq;
    return true;
}

bool Numbers::takeAcknowledged(qint64 seq)
{
    if (seq < acknowledged || seq < 0)
        return false;
    acknowledged = seq;
    while (!skipped.isEmpty() && skipped.first().second <= seq)
        skipped.removeFirst();
    return true;
}

bool Numbers::takeFloor(qint64 seq)
{
    if (seq < 0)
        return false;
    floor = qMax(floor, seq);
    return true;
}

void Marks::event(qint64 seq, qint64 offset, bool firstPending)
{
    if (firstPending)
        m_marks.clear();
    if (m_marks.empty() || ++m_since >= MarkEvery) {
        m_marks.emplace_back(seq, offset);
        m_since = 0;
    }
}

void Marks::acknowledged(qint64 seq)
{
    while (m_marks.size() >= 2 && m_marks[1].first <= seq + 1)
        m_marks.pop_front();
}

bool Contents::takeEventAt(qint64 seq, qint64 offset)
{
    const bool first = pending() == 0;
    if (!takeEvent(seq))
        return false;
    marks.event(seq, offset, first);
    return true;
}

bool Contents::acknowledge(qint64 seq)
{
    marks.acknowledged(seq);
    return takeAcknowledged(seq);
}

Contents read(QIODevice &device)
{
    Contents c;
    if (device.size() == 0) {
        c.valid = true;
        return c;
    }
    if (device.read(header().size()) != header())
        return c;
    c.valid = true;
    c.validLength = device.pos();
    Reader reader(device);
    Reader::Record r;
    for (;;) {
        const qint64 start = reader.pos();
        if (!reader.next(r))
            break;
        bool ordered = false;
        if (r.kind == Event)
            ordered = c.takeEventAt(r.seq, start);
        else if (r.kind == Acknowledged)
            ordered = c.acknowledge(r.seq);
        else if (r.kind == Floor)
            ordered = c.takeFloor(r.seq);
        if (!ordered)
            break;
        c.validLength = reader.pos();
    }
    return c;
}

QList<Entry> eventsAfter(QIODevice &device, qint64 after, qsizetype max, qint64 *end)
{
    QList<Entry> events;
    Reader reader(device);
    Reader::Record r;
    while ((max < 0 || events.size() < max) && reader.next(r)) {
        if (r.kind == Event && r.seq > after)
            events.append(Entry{r.seq, std::move(r.json)});
    }
    if (end)
        *end = reader.pos();
    return events;
}

} // namespace OutboxFormat
