#include "link/DataStreamLog.h"

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
    return QStringLiteral(">>") % chunk % QStringLiteral(";   количество байт:") % QString::number(chunk.size())
        % QStringLiteral("   ") % clockText(time) % QStringLiteral("\r\n");
}

QString DataStreamLog::visible(const QString &entry)
{
    // Control characters by their ASCII names, <SOH>, <STX>, <ENQ>...: the
    // Unicode control pictures are missing from the usual desktop fonts.
    static const char *const Names[] = {"NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL", "BS", "HT", "LF",
                                        "VT", "FF", "CR", "SO", "SI", "DLE", "DC1", "DC2", "DC3", "DC4", "NAK",
                                        "SYN", "ETB", "CAN", "EM", "SUB", "ESC", "FS", "GS", "RS", "US"};
    const QString body = entry.endsWith(QStringLiteral("\r\n")) ? entry.chopped(2) : entry;
    QString shown;
    shown.reserve(body.size() + 16);
    for (const QChar c : body) {
        if (c.unicode() < 0x20)
            shown += QLatin1Char('<') + QLatin1String(Names[c.unicode()]) + QLatin1Char('>');
        else if (c.unicode() == 0x7F)
            shown += QStringLiteral("<DEL>");
        else if (c.category() == QChar::Other_Control) // the byte the code page leaves unassigned
            shown += QStringLiteral("<%1>").arg(c.unicode(), 2, 16, QLatin1Char('0')).toUpper();
        else
            shown += c;
    }
    return shown;
}

void DataStreamLog::add(const QString &chunk, const QTime &time)
{
    if (count() == m_capacity) {
        beginRemoveRows({}, m_capacity - 1, m_capacity - 1);
        m_entries.pop_back();
        endRemoveRows();
    }
    beginInsertRows({}, 0, 0);
    m_entries.push_front(entry(chunk, time));
    endInsertRows();
}

QString DataStreamLog::text() const
{
    QString all;
    for (const QString &e : m_entries)
        all += e;
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
    const QString &e = m_entries[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return visible(e);
    case RawRole:
        return e;
    default:
        return {};
    }
}
