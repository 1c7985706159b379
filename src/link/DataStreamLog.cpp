#include "link/DataStreamLog.h"

#include "link/LinkTexts.h"

#include <QStringBuilder>

#include <algorithm>

DataStreamLog::DataStreamLog(int capacity, QObject *parent)
    : QAbstractListModel(parent)
    , m_capacity(std::max(1, capacity))
{
}

namespace {

// HH:MM:SS, built by hand: a format string would be parsed for every chunk.
QString clockText(const QTime &time)
{
    if (!time.isValid())
        return QString();
    QString text(8, QLatin1Char(':'));
    const int parts[] = {time.hour(), time.minute(), time.second()};
    for (int i = 0; i < 3; ++i) {
        text[3 * i] = QLatin1Char(char('0' + parts[i] / 10));
        text[3 * i + 1] = QLatin1Char(char('0' + parts[i] % 10));
    }
    return text;
}

} // namespace

QString DataStreamLog::entry(const QString &chunk, const QTime &time)
{
    return QStringLiteral(">>") % chunk % LinkTexts::byteCount() % QString::number(chunk.size())
        % QStringLiteral("   ") % clockText(time) % QStringLiteral("\r\n");
}

QString DataStreamLog::visible(const QString &entry)
{
    // Control characters by their ASCII names, <SOH>, <STX>, <ENQ>...: the
    // Unicode control pictures are missing from the usual desktop fonts.
    static const char *const Names[] = {"NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL", "BS", "HT", "LF",
                                        "VT", "FF", "CR", "SO", "SI", "DLE", "DC1", "DC2", "DC3", "DC4", "NAK",
                                        "SYN", "ETB", "CAN", "EM", "SUB", "ESC", "FS", "GS", "RS", "US"};
    static const char Hex[] = "0123456789ABCDEF";
    const QStringView body = entry.endsWith(QStringLiteral("\r\n")) ? QStringView(entry).chopped(2) : QStringView(entry);
    // Written in place, every chunk: a name takes at most five characters.
    QString shown(body.size() * 5, Qt::Uninitialized);
    QChar *out = shown.data();
    const auto put = [&out](const char *text) {
        while (*text)
            *out++ = QLatin1Char(*text++);
    };
    for (const QChar c : body) {
        const char16_t u = c.unicode();
        if (u < 0x20) {
            put("<");
            put(Names[u]);
            put(">");
        } else if (u == 0x7F) {
            put("<DEL>");
        } else if (u >= 0x80 && u <= 0x9F) { // the byte the code page leaves unassigned
            const char code[] = {'<', Hex[u >> 4], Hex[u & 0xF], '>', '\0'};
            put(code);
        } else {
            *out++ = c;
        }
    }
    shown.truncate(out - shown.constData());
    return shown;
}

void DataStreamLog::add(const QString &chunk, const QTime &time)
{
    beginInsertRows({}, 0, 0);
    QString raw = entry(chunk, time);
    QString shown = visible(raw);
    m_entries.push_front({std::move(raw), std::move(shown)});
    endInsertRows();
    // The oldest go a tenth of the capacity at a time: a view pays for a
    // removal by the rows it holds, so one row at a time would cost that for
    // every chunk.
    if (count() > m_capacity + m_capacity / 10) {
        beginRemoveRows({}, m_capacity, count() - 1);
        m_entries.resize(size_t(m_capacity));
        endRemoveRows();
    }
}

QString DataStreamLog::text() const
{
    QString all;
    for (const Entry &e : m_entries)
        all += e.raw;
    return all;
}

int DataStreamLog::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant DataStreamLog::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= count())
        return {};
    const Entry &e = m_entries[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return e.shown;
    case RawRole:
        return e.raw;
    default:
        return {};
    }
}
