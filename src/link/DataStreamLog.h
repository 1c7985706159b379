#pragma once

#include <QAbstractListModel>
#include <QTime>

#include <deque>

// The data-stream window's content: one entry per received chunk, newest
// first, ">>" chunk ";   количество байт:" length "   " HH:MM:SS CR LF. Only
// the newest entries are kept, so a day of streaming costs the same per chunk
// and the same memory as the first hour.
//
// As a list model a row is an entry: the display text shows control
// characters by their ASCII names (<SOH>) and leaves out the closing CR LF; RawRole
// gives the entry as it is.
class DataStreamLog : public QAbstractListModel
{
    Q_OBJECT

public:
    enum Role { RawRole = Qt::UserRole };

    static constexpr int DefaultCapacity = 5000;

    explicit DataStreamLog(int capacity = DefaultCapacity, QObject *parent = nullptr);

    static QString entry(const QString &chunk, const QTime &time);
    // The entry as the window shows it.
    static QString visible(const QString &entry);

    // Adds the entry of a chunk at the top. Beyond the capacity and a tenth
    // of it, the oldest are dropped down to the capacity.
    void add(const QString &chunk, const QTime &time);

    int count() const { return int(m_entries.size()); }
    int capacity() const { return m_capacity; }
    // The window's text: the entries kept, newest first, one after another.
    QString text() const;

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;

private:
    struct Entry {
        QString raw;
        QString shown; // made once: the window paints an entry many times
    };
    std::deque<Entry> m_entries;
    int m_capacity;
};
