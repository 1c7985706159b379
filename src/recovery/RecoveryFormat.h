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
// are 32-bit little-endian, texts UTF-8 (a length before them unless they
// end the payload). A record that is cut short or does not match its CRC
// ends what is read: every change before it counts.
namespace RecoveryFormat {

enum Kind : char {
    Session = 'S', // a whole journal begins: scale type, columns, file name, label; its rows follow
    Whole = 'W',   // the whole journal is there: its row count
    File = 'F',    // the current file name and label changed
    Row = 'A',     // a row appended: its data cells, Tab-separated
    Removed = 'D', // rows removed: first model row, count
    Cell = 'C',    // a cell stored: model row, model column, text
};

QByteArray header();
quint32 crc32(QByteArrayView bytes);

// Appends one record with this payload to out.
void appendRecord(QByteArray &out, QByteArrayView payload);

QByteArray session(int scaleType, int columns, const QString &fileName, const QString &label);
QByteArray whole(qsizetype rows);
QByteArray file(const QString &fileName, const QString &label);
QByteArray row(QStringView cells);
QByteArray removed(int first, int count);
QByteArray cell(int row, int column, QStringView text);

} // namespace RecoveryFormat

// A journal as a recovery file holds it.
struct RecoveredJournal {
    int scaleType = 0;
    int columns = 0; // data columns
    QString fileName;
    QString label;
    // The data cells of each row, Tab-separated, in UTF-8 as the file holds
    // them: decoded only where text is needed.
    QByteArrayList rowBytes;
    // Bytes of the header and the complete changes; anything after is damaged.
    qint64 validLength = 0;

    QStringList rows() const;
    // The rows as the journal takes them: the position number, a Tab, the cells.
    QStringList gridRows() const;
    // Appends the rows to the journal as gridRows would, the cheap way: rows
    // the file's code page holds go in as its bytes, in bulk, as file lines.
    void addTo(JournalGrid &grid) const;
};

// The journal the changes of a recovery file make, up to the first damaged
// change. Nothing when the file holds no whole journal (empty, another file,
// damaged before the end of the journal it begins with).
// UTF-16 code units of UTF-8 text, as the text decoded counts them.
qsizetype utf16Length(QByteArrayView utf8);

std::optional<RecoveredJournal> readRecovery(QByteArrayView bytes);
