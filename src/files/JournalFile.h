#pragma once

#include <QString>
#include <QByteArrayView>
#include <QList>
#include <QStringList>

#include <functional>
#include <optional>

class JournalGrid;
class QSaveFile;

// The journal as a text file: Windows-1251, one line per journal row, the
// cells of columns 1..last joined by the separator, CR LF after every line.
// The position column is not stored; an empty journal is an empty file.
namespace JournalFile {

// How a write ended; on failure the file layer's error code and a
// description for the operator.
struct WriteResult {
    bool ok = true;
    int code = 0;
    QString description;
};

// Writes the journal's rows into fileName. The file is replaced only once
// every line is on disk: on any failure the previous file stays as it was.
WriteResult write(const JournalGrid &grid, const QString &fileName, const QString &separator);
// The same into a prepared file (its name set, not open yet).
WriteResult write(const JournalGrid &grid, QSaveFile &file, const QString &separator);

// Reads a journal file a block at a time: opened() runs once the file is
// open, then addLines() gets the lines of each block, without their line
// ends. A last line without a line end counts; a line end at the very end
// adds no line. False when the file cannot be opened; a read error ends the
// lines early.
bool readLines(const QString &fileName, const std::function<void()> &opened,
               const std::function<void(const QList<QByteArrayView> &)> &addLines);

// The rows of a journal file, ready for JournalGrid::addItems: the line
// number n (1, 2, ...), a Tab, then the line without its line end. A last
// line without a line end counts; a line end at the very end adds no row.
// Nothing when the file cannot be opened; a read error ends the rows early.
std::optional<QStringList> readRows(const QString &fileName);

// False for a file that is plainly no journal: more than one byte in twenty
// of its first 64 KiB are control characters other than Tab, CR and LF, as
// in a picture, a program or an archive. A journal is text: a control
// character the scale sent into a field now and then keeps it one. A file
// that cannot be read passes (the reader reports nothing for it).
bool looksLikeJournal(const QString &fileName);

} // namespace JournalFile
