#include "recovery/RecoveryFormat.h"

#include "common/ScaleTypes.h"

#include <QtEndian>

#include <array>

namespace RecoveryFormat {

namespace {

constexpr std::array<quint32, 256> CrcTable = [] {
    std::array<quint32, 256> table{};
    for (quint32 i = 0; i < 256; ++i) {
        quint32 c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[i] = c;
    }
    return table;
}();

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

} // namespace

QByteArray header()
{
    return QByteArrayLiteral("Tarovik_RS232 journal recovery 1\n");
}

quint32 crc32(QByteArrayView bytes)
{
    quint32 c = 0xFFFFFFFFu;
    for (const char b : bytes)
        c = CrcTable[(c ^ uchar(b)) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
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
    return payload(Row) + cells.toUtf8();
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
    p.append(text.toUtf8());
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

    QString rest()
    {
        const QString t = QString::fromUtf8(m_bytes.sliced(m_pos));
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

bool plainCell(const QString &text)
{
    return !text.contains(Tab) && !text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\n'));
}

// Replaces field column of a Tab-separated row.
void setField(QString &row, int column, const QString &text)
{
    qsizetype start = 0;
    for (int c = 0; c < column; ++c) {
        const qsizetype tab = row.indexOf(Tab, start);
        if (tab < 0) {
            row.append(QString(column - c, Tab));
            start = row.size();
            break;
        }
        start = tab + 1;
    }
    qsizetype end = row.indexOf(Tab, start);
    if (end < 0)
        end = row.size();
    row.replace(start, end - start, text);
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
        j.rows.clear();
        progress = Progress::Begun;
        return true;
    }
    if (progress == Progress::None || (progress == Progress::Begun && kind != Row && kind != Whole))
        return false;
    switch (kind) {
    case Whole: {
        const qint64 rows = f.number();
        if (!f.ok() || !f.atEnd() || progress != Progress::Begun || rows != j.rows.size())
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
    case Row: {
        QString cells = f.rest();
        if (cells.contains(QLatin1Char('\r')) || cells.contains(QLatin1Char('\n')))
            return false;
        j.rows.append(std::move(cells));
        return true;
    }
    case Removed: {
        const qint64 first = f.number(), count = f.number();
        if (!f.ok() || !f.atEnd() || first < 0 || count < 1 || count > j.rows.size() - first)
            return false;
        j.rows.remove(first, count);
        return true;
    }
    case Cell: {
        const qint64 row = f.number(), column = f.number();
        const QString text = f.rest();
        if (!f.ok() || row < 0 || row >= j.rows.size() || column < 0 || column >= j.columns || !plainCell(text))
            return false;
        setField(j.rows[row], int(column), text);
        return true;
    }
    default:
        return false;
    }
}

} // namespace

QStringList RecoveredJournal::gridRows() const
{
    QStringList numbered;
    numbered.reserve(rows.size());
    for (qsizetype i = 0; i < rows.size(); ++i)
        numbered.append(QString::number(i + 1) + Tab + rows.at(i));
    return numbered;
}

std::optional<RecoveredJournal> readRecovery(QByteArrayView bytes)
{
    const QByteArray head = header();
    if (!bytes.startsWith(head))
        return std::nullopt;
    RecoveredJournal j;
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
