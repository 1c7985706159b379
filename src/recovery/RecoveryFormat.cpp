#include "recovery/RecoveryFormat.h"

#include "common/AnsiText.h"
#include "common/ScaleTypes.h"
#include "journal/JournalGrid.h"

#include <QtEndian>

#include <libdeflate.h>

#include <algorithm>

namespace RecoveryFormat {

namespace {

void appendNumber(QByteArray &out, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

void appendText(QByteArray &out, QStringView text)
{
    const QByteArray utf8 = text.toUtf8();
    appendNumber(out, quint32(utf8.size()));
    out.append(utf8);
}

QByteArray payload(Kind kind)
{
    return QByteArray(1, char(kind));
}

// Ends a payload with text in the code page, or in UTF-8 under the wide
// kind when the code page cannot hold it.
void appendCells(QByteArray &p, QStringView text, Kind wide)
{
    if (AnsiText::encodeExactly(text, p))
        return;
    p[0] = char(wide);
    p.append(text.toUtf8());
}

} // namespace

QByteArray header()
{
    return QByteArrayLiteral("Tarovik_RS232 journal recovery 3\n");
}

QByteArray secondHeader()
{
    return QByteArrayLiteral("Tarovik_RS232 journal recovery 2\n");
}

QByteArray firstHeader()
{
    return QByteArrayLiteral("Tarovik_RS232 journal recovery 1\n");
}

quint32 crc32(QByteArrayView bytes)
{
    // The CRC-32 of zip, PNG and zlib. libdeflate's folds with carry-less
    // multiplication: several times zlib's speed on a row's record, which
    // is most of the time a restore takes to check the file.
    return libdeflate_crc32(0, bytes.data(), size_t(bytes.size()));
}

void appendRecord(QByteArray &out, QByteArrayView p)
{
    appendNumber(out, quint32(p.size()));
    appendNumber(out, crc32(p));
    out.append(p.data(), p.size());
}

QByteArray session(int scaleType, int columns, const QString &fileName, const QString &label)
{
    QByteArray p = payload(Session);
    appendNumber(p, quint32(scaleType));
    appendNumber(p, quint32(columns));
    appendText(p, fileName);
    appendText(p, label);
    return p;
}

QByteArray whole(qsizetype rows)
{
    QByteArray p = payload(Whole);
    appendNumber(p, quint32(rows));
    return p;
}

QByteArray file(const QString &fileName, const QString &label)
{
    QByteArray p = payload(File);
    appendText(p, fileName);
    appendText(p, label);
    return p;
}

QByteArray row(QStringView cells)
{
    QByteArray p = payload(Row);
    appendCells(p, cells, WideRow);
    return p;
}

QByteArray removed(int first, int count)
{
    QByteArray p = payload(Removed);
    appendNumber(p, quint32(first));
    appendNumber(p, quint32(count));
    return p;
}

QByteArray cell(int row, int column, QStringView text)
{
    QByteArray p = payload(Cell);
    appendNumber(p, quint32(row));
    appendNumber(p, quint32(column));
    appendCells(p, text, WideCell);
    return p;
}

QByteArray readingId(int row, qint64 id)
{
    QByteArray p = payload(ReadingId);
    appendNumber(p, quint32(row));
    appendNumber(p, quint32(quint64(id)));
    appendNumber(p, quint32(quint64(id) >> 32));
    return p;
}

} // namespace RecoveryFormat

namespace {

using namespace RecoveryFormat;

const QChar Tab = QLatin1Char('\t');

// Reads the fields of one payload; any read past its end spoils it.
class Fields
{
public:
    explicit Fields(QByteArrayView bytes) : m_bytes(bytes) {}

    bool ok() const { return m_ok; }

    qint64 number()
    {
        if (m_bytes.size() - m_pos < 4) {
            m_ok = false;
            return -1;
        }
        const qint64 v = qFromLittleEndian<qint32>(m_bytes.data() + m_pos);
        m_pos += 4;
        return v;
    }

    QString text()
    {
        const qint64 length = qFromLittleEndian<quint32>(lengthBytes());
        if (!m_ok || length > m_bytes.size() - m_pos) {
            m_ok = false;
            return {};
        }
        const QString t = QString::fromUtf8(m_bytes.sliced(m_pos, length));
        m_pos += length;
        return t;
    }

    QByteArrayView rest()
    {
        const QByteArrayView t = m_bytes.sliced(m_pos);
        m_pos = m_bytes.size();
        return t;
    }

    bool atEnd() const { return m_pos == m_bytes.size(); }

private:
    const char *lengthBytes()
    {
        static const char zero[4] = {};
        if (m_bytes.size() - m_pos < 4) {
            m_ok = false;
            return zero;
        }
        m_pos += 4;
        return m_bytes.data() + m_pos - 4;
    }

    QByteArrayView m_bytes;
    qsizetype m_pos = 1; // after the kind
    bool m_ok = true;
};

using StoredRow = RecoveredJournal::StoredRow;

// Line ends (and Tabs) are ASCII: in UTF-8 and in the code page no other
// character holds their bytes.
bool holdsLineEnd(QByteArrayView utf8)
{
    return utf8.contains('\r') || utf8.contains('\n');
}

// Replaces field column of a Tab-separated row.
void setField(QByteArray &row, int column, QByteArrayView text)
{
    qsizetype start = 0;
    for (int c = 0; c < column; ++c) {
        const qsizetype tab = row.indexOf('\t', start);
        if (tab < 0) {
            row.append(QByteArray(column - c, '\t'));
            start = row.size();
            break;
        }
        start = tab + 1;
    }
    qsizetype end = row.indexOf('\t', start);
    if (end < 0)
        end = row.size();
    row.replace(start, end - start, text);
}


// Text as a journal keeps it: in UTF-8 only when the code page cannot hold
// it (UTF-8 records of the first version mostly can).
StoredRow stored(QByteArrayView bytes, bool utf8)
{
    // Bytes of the journal's source, which it keeps: an edit copies them.
    if (!utf8)
        return {QByteArray::fromRawData(bytes.data(), bytes.size()), false};
    QByteArray codePage;
    if (AnsiText::encodeUtf8Exactly(bytes, codePage))
        return {codePage, false};
    return {bytes.toByteArray(), true};
}

QString textOf(const StoredRow &row)
{
    return row.wide ? QString::fromUtf8(row.bytes) : AnsiText::decode(row.bytes);
}

// How far a journal has come: a session begun, its rows all there.
enum class Progress { None, Begun, Whole };

// Applies one change; false when it cannot be one the program wrote.
bool apply(RecoveredJournal &j, Progress &progress, QByteArrayView p)
{
    Fields f(p);
    const char kind = p.front();
    if (kind == Session) {
        const qint64 type = f.number(), columns = f.number();
        QString fileName = f.text(), label = f.text();
        if (!f.ok() || !f.atEnd() || type < 0 || type >= ScaleTypes::Count || columns < 1 || columns > 64)
            return false;
        j.scaleType = int(type);
        j.columns = int(columns);
        j.fileName = std::move(fileName);
        j.label = std::move(label);
        j.storedRows.clear();
        progress = Progress::Begun;
        return true;
    }
    if (progress == Progress::None || (progress == Progress::Begun && kind != Row && kind != WideRow && kind != Whole))
        return false;
    switch (kind) {
    case Whole: {
        const qint64 rows = f.number();
        if (!f.ok() || !f.atEnd() || progress != Progress::Begun || rows != j.storedRows.size())
            return false;
        progress = Progress::Whole;
        return true;
    }
    case File: {
        QString fileName = f.text(), label = f.text();
        if (!f.ok() || !f.atEnd())
            return false;
        j.fileName = std::move(fileName);
        j.label = std::move(label);
        return true;
    }
    case Row:
    case WideRow: {
        const QByteArrayView cells = f.rest();
        if (holdsLineEnd(cells))
            return false;
        j.storedRows.append(stored(cells, kind == WideRow));
        return true;
    }
    case Removed: {
        const qint64 first = f.number(), count = f.number();
        if (!f.ok() || !f.atEnd() || first < 0 || count < 1 || count > j.storedRows.size() - first)
            return false;
        j.storedRows.remove(first, count);
        return true;
    }
    case ReadingId: {
        const qint64 row = f.number();
        const quint64 low = quint32(f.number()), high = quint32(f.number());
        const qint64 id = qint64(low | high << 32);
        if (!f.ok() || !f.atEnd() || row < 0 || row >= j.storedRows.size() || id <= 0)
            return false;
        j.storedRows[row].id = id;
        return true;
    }
    case Cell:
    case WideCell: {
        const qint64 row = f.number(), column = f.number();
        const QByteArrayView bytes = f.rest();
        if (!f.ok() || row < 0 || row >= j.storedRows.size() || column < 0 || column >= j.columns
            || bytes.contains('\t') || holdsLineEnd(bytes))
            return false;
        StoredRow &target = j.storedRows[row];
        const StoredRow text = stored(bytes, kind == WideCell);
        if (target.wide && !text.wide) {
            setField(target.bytes, int(column), AnsiText::decode(text.bytes).toUtf8());
        } else {
            // Wide text makes the row wide.
            if (text.wide && !target.wide)
                target = {textOf(target).toUtf8(), true};
            setField(target.bytes, int(column), text.bytes);
        }
        return true;
    }
    default:
        return false;
    }
}

} // namespace

QStringList RecoveredJournal::rows() const
{
    QStringList texts;
    texts.reserve(storedRows.size());
    for (const StoredRow &row : storedRows)
        texts.append(textOf(row));
    return texts;
}

QStringList RecoveredJournal::gridRows() const
{
    QStringList numbered;
    numbered.reserve(storedRows.size());
    for (qsizetype i = 0; i < storedRows.size(); ++i)
        numbered.append(QString::number(i + 1) + Tab + textOf(storedRows.at(i)));
    return numbered;
}

void RecoveredJournal::addTo(JournalGrid &grid) const
{
    const int first = grid.Rows();
    // A run of rows in the code page.
    QList<QByteArrayView> lines;
    const auto addLines = [&grid, &lines] {
        grid.addFileLines(lines);
        lines.clear();
    };
    for (const StoredRow &row : storedRows) {
        if (!row.wide) {
            lines.append(row.bytes);
            continue;
        }
        // A character the code page has not: the row goes in as text.
        addLines();
        grid.addItems({QString::number(grid.Rows()) + Tab + textOf(row)});
    }
    addLines();
    // The rows from the first with an id on, in one change.
    const auto withId = std::find_if(storedRows.cbegin(), storedRows.cend(), [](const StoredRow &r) { return r.id; });
    if (withId == storedRows.cend())
        return;
    QList<qint64> ids;
    ids.reserve(storedRows.cend() - withId);
    for (auto r = withId; r != storedRows.cend(); ++r)
        ids.append(r->id);
    grid.setReadingIds(first + int(withId - storedRows.cbegin()), ids);
}

qint64 RecoveredJournal::freshFileSize() const
{
    constexpr qint64 RecordHead = 8; // length and CRC
    qint64 size = header().size() + RecordHead + session(scaleType, columns, fileName, label).size() + RecordHead
                  + whole(0).size();
    for (const StoredRow &row : storedRows)
        size += RecordHead + 1 + row.bytes.size() + (row.id != 0 ? RecordHead + readingId(0, 0).size() : 0);
    return size;
}

namespace {

// How many bytes of tops have their top bit set, tops holding no other bits.
int ones(quint64 tops)
{
    return int(((tops >> 7) * 0x0101010101010101ull) >> 56);
}

} // namespace

qsizetype utf16Length(QByteArrayView utf8)
{
    // Every byte but a continuation byte (10xxxxxx) counts one, the first
    // byte of a character beyond the BMP (11110xxx, a surrogate pair) one
    // more; eight bytes at a time, by the top bit of each.
    constexpr quint64 Tops = 0x8080808080808080ull;
    qsizetype units = utf8.size();
    const char *p = utf8.data();
    qsizetype n = utf8.size();
    for (; n >= 8; p += 8, n -= 8) {
        const quint64 x = qFromLittleEndian<quint64>(p);
        units -= ones(x & ~(x << 1) & Tops);
        units += ones(x & (x << 1) & (x << 2) & (x << 3) & Tops);
    }
    for (; n > 0; ++p, --n)
        units += int(uchar(*p) >= 0xF0) - int((uchar(*p) & 0xC0) == 0x80);
    return units;
}

std::optional<RecoveredJournal> readRecovery(const QByteArray &source)
{
    const QByteArray head = header();
    if (!source.startsWith(head) && !source.startsWith(secondHeader()) && !source.startsWith(firstHeader()))
        return std::nullopt;
    RecoveredJournal j;
    j.source = source;
    const QByteArrayView bytes(j.source);
    Progress progress = Progress::None;
    qsizetype pos = head.size();
    qsizetype valid = pos;
    while (bytes.size() - pos >= 8) {
        const quint32 length = qFromLittleEndian<quint32>(bytes.data() + pos);
        const quint32 crc = qFromLittleEndian<quint32>(bytes.data() + pos + 4);
        if (length < 1 || length > quint64(bytes.size() - pos - 8))
            break;
        const QByteArrayView p = bytes.sliced(pos + 8, length);
        if (crc32(p) != crc || !apply(j, progress, p))
            break;
        pos += 8 + length;
        valid = pos;
    }
    if (progress != Progress::Whole)
        return std::nullopt;
    j.validLength = valid;
    return j;
}
