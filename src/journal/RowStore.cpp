#include "journal/RowStore.h"

#include "common/AnsiText.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr char Tab = '\t';
constexpr char RowEnd = '\n';

// Packing walks every row: below this much waste it is not worth it.
constexpr qsizetype MinWasteToPack = 1 << 20;

// Room grows by half at least, so that rows added one by one do not copy
// the store each time. A buffer shared with a snapshot is copied once, with
// that room, rather than copied as it is and then again to grow.
template<typename Container>
void makeRoom(Container &c, qsizetype needed)
{
    if (needed > c.capacity() || !c.isDetached())
        c.reserve(std::max(needed, c.capacity() + c.capacity() / 2));
}

// Field col of a Tab-separated text, or empty past its last field.
qsizetype tabIn(QStringView row, qsizetype from)
{
    return row.indexOf(QLatin1Char(Tab), from);
}

// memchr: the journal reads cells of millions of rows when it opens.
qsizetype tabIn(QByteArrayView row, qsizetype from)
{
    const void *at = std::memchr(row.data() + from, Tab, size_t(row.size() - from));
    return at ? static_cast<const char *>(at) - row.data() : -1;
}

template<typename View>
View fieldOf(View row, int col)
{
    qsizetype start = 0;
    for (int c = 0; c < col; ++c) {
        const qsizetype tab = tabIn(row, start);
        if (tab < 0)
            return {};
        start = tab + 1;
    }
    const qsizetype tab = tabIn(row, start);
    return row.sliced(start, (tab < 0 ? row.size() : tab) - start);
}

} // namespace

QByteArrayView RowStore::bytesOf(Place place) const
{
    const char *start = m_bytes.constData() + place;
    const void *end = std::memchr(start, RowEnd, size_t(m_bytes.size() - place));
    return QByteArrayView(start, static_cast<const char *>(end) - start);
}

void RowStore::reserve(qsizetype rows, qsizetype bytes)
{
    makeRoom(m_rows, m_rows.size() + rows);
    makeRoom(m_bytes, m_bytes.size() + bytes);
}

void RowStore::appendEncoded(QByteArrayView bytes)
{
    std::memcpy(appendEncoded(bytes.size()), bytes.data(), size_t(bytes.size()));
}

char *RowStore::appendEncoded(qsizetype size)
{
    makeRoom(m_rows, m_rows.size() + 1);
    const qsizetype start = m_bytes.size();
    makeRoom(m_bytes, start + size + 1);
    m_rows.append(start);
    if (!m_ids.isEmpty())
        m_ids.append(0);
    m_bytes.resize(start + size + 1);
    char *row = m_bytes.data() + start;
    row[size] = RowEnd;
    return row;
}

void RowStore::append(QStringView text)
{
    makeRoom(m_rows, m_rows.size() + 1);
    makeRoom(m_bytes, m_bytes.size() + text.size() + 1);
    const qsizetype start = m_bytes.size();
    if (AnsiText::encodeExactly(text, m_bytes)) {
        m_bytes.append(RowEnd);
        m_rows.append(start);
    } else {
        m_rows.append(~Place(m_wide.size()));
        m_wide.append(text.toString());
    }
    if (!m_ids.isEmpty())
        m_ids.append(0);
}

QString RowStore::text(qsizetype row) const
{
    const Place place = m_rows.at(row);
    return wide(place) ? m_wide.at(~place) : AnsiText::decode(bytesOf(place));
}

QString RowStore::field(qsizetype row, int col, qsizetype maxLength) const
{
    const Place place = m_rows.at(row);
    if (wide(place)) {
        const QStringView f = fieldOf(QStringView(m_wide.at(~place)), col);
        return (maxLength < 0 ? f : f.left(maxLength)).toString();
    }
    const QByteArrayView f = fieldOf(bytesOf(place), col);
    return AnsiText::decode(maxLength < 0 || f.size() <= maxLength ? f : f.first(maxLength));
}

bool RowStore::encodedFields(qsizetype row, const int *fields, QByteArrayView *out, int count) const
{
    const Place place = m_rows.at(row);
    if (wide(place))
        return false;
    std::fill(out, out + count, QByteArrayView());
    const int last = count > 0 ? *std::max_element(fields, fields + count) : -1;
    // The row's line feed ends the walk, so its end need not be found first;
    // fields are short, and a byte at a time costs less than a memchr call a
    // field when every row of a file is read.
    const char *at = m_bytes.constData() + place;
    for (int f = 0; f <= last; ++f) {
        const char *start = at;
        while (*at != Tab && *at != RowEnd)
            ++at;
        for (int k = 0; k < count; ++k) {
            if (fields[k] == f)
                out[k] = QByteArrayView(start, at - start);
        }
        if (*at == RowEnd)
            break;
        ++at;
    }
    return true;
}

void RowStore::appendEncodedFrom(qsizetype row, int col, QByteArray &out) const
{
    const Place place = m_rows.at(row);
    if (wide(place)) {
        const QStringView text(m_wide.at(~place));
        const QStringView first = fieldOf(text, col);
        if (col == 0 || !first.isNull())
            out += AnsiText::encode(text.sliced(first.data() - text.data()));
        return;
    }
    const QByteArrayView bytes = bytesOf(place);
    const QByteArrayView first = fieldOf(bytes, col);
    if (col == 0 || !first.isNull())
        out.append(first.data(), bytes.data() + bytes.size() - first.data());
}

void RowStore::replace(qsizetype row, QStringView text)
{
    Place &place = m_rows[row];
    QByteArray bytes;
    const bool fits = AnsiText::encodeExactly(text, bytes);
    if (!wide(place)) {
        if (fits) {
            // The same length is written in place.
            if (bytesOf(place).size() == bytes.size())
                std::memcpy(m_bytes.data() + place, bytes.constData(), size_t(bytes.size()));
            else
                replaceBytes(place, bytes);
            return;
        }
        m_deadBytes += bytesOf(place).size() + 1;
    } else if (!fits) {
        m_wide[~place] = text.toString();
        return;
    } else {
        ++m_deadWide;
    }
    if (fits) {
        place = m_bytes.size();
        makeRoom(m_bytes, m_bytes.size() + bytes.size() + 1);
        m_bytes.append(bytes);
        m_bytes.append(RowEnd);
    } else {
        place = ~Place(m_wide.size());
        m_wide.append(text.toString());
    }
    packIfWasteful();
}

void RowStore::replaceField(qsizetype row, int col, QStringView text)
{
    Place &place = m_rows[row];
    if (wide(place)) {
        QString &line = m_wide[~place];
        const QStringView old = fieldOf(QStringView(line), col);
        if (old.isNull())
            return;
        line.replace(old.data() - line.constData(), old.size(), text.toString());
        return;
    }
    const QByteArrayView line = bytesOf(place);
    const QByteArrayView old = fieldOf(line, col);
    if (old.isNull())
        return;
    QByteArray bytes;
    if (!AnsiText::encodeExactly(text, bytes)) {
        QString wideLine = AnsiText::decode(line);
        wideLine.replace(old.data() - line.data(), old.size(), text.toString());
        replace(row, wideLine);
        return;
    }
    if (bytes.size() == old.size()) {
        std::memcpy(m_bytes.data() + (old.data() - m_bytes.constData()), bytes.constData(), size_t(bytes.size()));
        return;
    }
    QByteArray newLine;
    newLine.reserve(line.size() - old.size() + bytes.size());
    newLine.append(line.data(), old.data() - line.data());
    newLine.append(bytes);
    newLine.append(old.data() + old.size(), line.data() + line.size() - (old.data() + old.size()));
    replaceBytes(place, newLine);
}

void RowStore::replaceBytes(Place &place, QByteArrayView bytes)
{
    m_deadBytes += bytesOf(place).size() + 1;
    makeRoom(m_bytes, m_bytes.size() + bytes.size() + 1);
    place = m_bytes.size();
    m_bytes.append(bytes.data(), bytes.size());
    m_bytes.append(RowEnd);
    packIfWasteful();
}

void RowStore::setId(qsizetype row, qint64 id)
{
    if (m_ids.isEmpty()) {
        if (id == 0)
            return;
        m_ids.resize(m_rows.size());
    }
    m_ids[row] = id;
}

void RowStore::remove(qsizetype row, qsizetype count)
{
    for (qsizetype r = row; r < row + count; ++r) {
        const Place place = m_rows.at(r);
        if (wide(place))
            ++m_deadWide;
        else
            m_deadBytes += bytesOf(place).size() + 1;
    }
    m_rows.remove(row, count);
    if (!m_ids.isEmpty())
        m_ids.remove(row, count);
    if (m_rows.isEmpty())
        clear();
    else
        packIfWasteful();
}

void RowStore::clear()
{
    m_bytes = QByteArray();
    m_rows = QList<Place>();
    m_wide = QList<QString>();
    m_ids = QList<qint64>();
    m_deadBytes = 0;
    m_deadWide = 0;
}

void RowStore::packIfWasteful()
{
    const bool bytesWasteful = m_deadBytes >= MinWasteToPack && m_deadBytes * 2 > m_bytes.size();
    const bool wideWasteful = m_deadWide > 64 && m_deadWide * 2 > m_wide.size();
    if (!bytesWasteful && !wideWasteful)
        return;
    QByteArray bytes;
    bytes.reserve(m_bytes.size() - m_deadBytes);
    QList<QString> wideRows;
    for (Place &place : m_rows) {
        if (wide(place)) {
            const qsizetype index = wideRows.size();
            wideRows.append(std::move(m_wide[~place]));
            place = ~Place(index);
        } else {
            const QByteArrayView row = bytesOf(place);
            place = bytes.size();
            bytes.append(row.data(), row.size());
            bytes.append(RowEnd);
        }
    }
    m_bytes = std::move(bytes);
    m_wide = std::move(wideRows);
    m_deadBytes = 0;
    m_deadWide = 0;
}
