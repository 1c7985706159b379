#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

class JournalGrid;

// The recovery file: a header line, then one record per journal change.
// A record is its payload's length and CRC-32 (both 32-bit little-endian)
// and the payload, whose first byte names the change. Numbers in a payload
// are 32-bit little-endian. The rows' and cells' texts are in the journal
// file's code page, one byte a character, so that the file stays near the
// journal file's size; a text the code page cannot hold is in UTF-8, in a
// record of its own kind. File names and labels are UTF-8 (a length before
// them). Reading ids (JournalGrid::readingId) came with the third version.
// A record that is cut short or does not match its CRC ends what is
// read: every change before it counts. Files of the first version (every
// text UTF-8) read as they did.
namespace RecoveryFormat {

enum Kind : char {
    Session = 'S',  // a whole journal begins: scale type, columns, file name, label; its rows follow
    Whole = 'W',    // the whole journal is there: its row count
    File = 'F',     // the current file name and label changed
    Row = 'R',      // a row appended: its data cells, Tab-separated, in the code page
    WideRow = 'A',  // the same in UTF-8
    Removed = 'D',  // rows removed: first model row, count
    Cell = 'E',     // a cell stored: model row, model column, text in the code page
    WideCell = 'C', // the same in UTF-8
    ReadingId = 'I', // a row's reading id: model row, the id (64-bit)
};

QByteArray header();
// The earlier versions': the first's texts are all UTF-8, under the wide
// kinds; the second's rows have no ids.
QByteArray firstHeader();
QByteArray secondHeader();
quint32 crc32(QByteArrayView bytes);

// Appends one record with this payload to out.
void appendRecord(QByteArray &out, QByteArrayView payload);

QByteArray session(int scaleType, int columns, const QString &fileName, const QString &label);
QByteArray whole(qsizetype rows);
QByteArray file(const QString &fileName, const QString &label);
// In the code page when it holds every character, else in UTF-8.
QByteArray row(QStringView cells);
QByteArray removed(int first, int count);
QByteArray cell(int row, int column, QStringView text);
QByteArray readingId(int row, qint64 id);

} // namespace RecoveryFormat

// A journal as a recovery file holds it.
struct RecoveredJournal {
    int scaleType = 0;
    int columns = 0; // data columns
    QString fileName;
    QString label;
    // The data cells of a row, Tab-separated, as bytes: decoded only where
    // text is needed. A row in the code page refers to source: a copy that is
    // to outlive the journal must be deep (QByteArray(constData(), size())).
    struct StoredRow {
        QByteArray bytes; // in the code page, or in UTF-8 when wide
        bool wide = false; // a character the code page has not
        qint64 id = 0;     // the reading it is (JournalGrid::readingId)
        bool operator==(const StoredRow &other) const
        {
            return wide == other.wide && id == other.id && bytes == other.bytes;
        }
    };
    QList<StoredRow> storedRows;
    // The bytes read: a row the code page holds is not copied out of them
    // but refers to them, so that a big journal is not held a second time in
    // small pieces (which the allocator keeps after they are freed).
    QByteArray source;
    // Bytes of the header and the complete changes; anything after is damaged.
    qint64 validLength = 0;

    qsizetype rowCount() const { return storedRows.size(); }
    QStringList rows() const;
    // The rows as the journal takes them: the position number, a Tab, the cells.
    QStringList gridRows() const;
    // Appends the rows to the journal as gridRows would, the cheap way: rows
    // the file's code page holds go in as its bytes, in bulk, as file lines.
    void addTo(JournalGrid &grid) const;
    // The size a recovery file written anew from this journal would have.
    qint64 freshFileSize() const;
};
// A journal's rows grow their list by moving its memory, not row by row.
Q_DECLARE_TYPEINFO(RecoveredJournal::StoredRow, Q_RELOCATABLE_TYPE);

// UTF-16 code units of UTF-8 text, as the text decoded counts them.
qsizetype utf16Length(QByteArrayView utf8);

// The journal the changes of a recovery file make, up to the first damaged
// change. Nothing when the file holds no whole journal (empty, another file,
// damaged before the end of the journal it begins with). The journal shares
// bytes (see RecoveredJournal::source): bytes made with fromRawData must
// outlive it.
std::optional<RecoveredJournal> readRecovery(const QByteArray &bytes);
