#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringView>

// The journal's rows, kept small: a shift at line rate is two million rows.
// A row is its cells joined by Tab. It is kept as the bytes a journal file
// holds (Windows-1251, one byte a character) in one buffer shared by all
// rows, ended by a line feed, with one offset a row; a row holding a
// character the code page has not (typed into a note) is kept as the text
// it is, so every row reads back exactly as it was set. Rows that go or
// change leave their old bytes behind until those outweigh the rows kept;
// then the buffer is packed again.
class RowStore
{
public:
    qsizetype size() const { return m_rows.size(); }

    // Appends a row given in the file's bytes; it holds no line feed.
    void appendEncoded(QByteArrayView bytes);
    // Appends a row of size bytes in the file's code page, to be written
    // through the pointer returned before the store changes again.
    char *appendEncoded(qsizetype size);
    void append(QStringView text);
    void reserve(qsizetype rows, qsizetype bytes);

    QString text(qsizetype row) const;
    // The text of field col (0 first) of a row, at most maxLength characters.
    QString field(qsizetype row, int col, qsizetype maxLength = -1) const;
    // Fields fields[k] (0 first; -1: none) of a row in the file's bytes,
    // found in one pass and not copied, into out[k]; they hold until the
    // store changes. A field the row has not is empty. False for a row kept
    // as text.
    bool encodedFields(qsizetype row, const int *fields, QByteArrayView *out, int count) const;
    // The row from field col on, in the file's bytes, appended to out.
    void appendEncodedFrom(qsizetype row, int col, QByteArray &out) const;
    void replace(qsizetype row, QStringView text);
    // Replaces field col of a row; a row without that field stays as it is.
    void replaceField(qsizetype row, int col, QStringView text);
    void remove(qsizetype row, qsizetype count);
    void clear();

    // The reading a row is: the number of the event that recorded it in the
    // central journal; 0 for a row no reading of this station made (opened
    // from a file, typed, recorded while that journal was off).
    qint64 id(qsizetype row) const { return m_ids.isEmpty() ? 0 : m_ids.at(row); }
    void setId(qsizetype row, qint64 id);

private:
    // A row's place: an offset into m_bytes, or ~index into m_wide.
    using Place = qint64;

    static bool wide(Place place) { return place < 0; }
    QByteArrayView bytesOf(Place place) const;
    // Puts bytes, a whole row, in the place of a row kept as bytes.
    void replaceBytes(Place &place, QByteArrayView bytes);
    // Drops what no row uses any more once it outweighs what rows use.
    void packIfWasteful();

    QByteArray m_bytes;
    QList<Place> m_rows;
    QList<QString> m_wide;
    // Empty until a row gets an id: a journal without them costs nothing.
    QList<qint64> m_ids;
    qsizetype m_deadBytes = 0;
    qsizetype m_deadWide = 0;
};
