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
    QString shown = entry.endsWith(QStringLiteral("\r\n")) ? entry.chopped(2) : entry;
    // The Unicode control pictures: SOH becomes U+2401, DEL U+2421; the one
    // byte the code page leaves unassigned shows as a replacement character.
    for (QChar &c : shown) {
        if (c.unicode() < 0x20)
            c = QChar(0x2400 + c.unicode());
        else if (c.unicode() == 0x7F)
            c = QChar(0x2421);
        else if (c.category() == QChar::Other_Control)
            c = QChar(QChar::ReplacementCharacter);
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
