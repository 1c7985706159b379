#include "files/JournalFile.h"

#include "common/AnsiText.h"
#include "files/FileTexts.h"
#include "journal/JournalGrid.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringBuilder>

#include <algorithm>

namespace {

// Lines are gathered into blocks of about this size and written unbuffered,
// so that a failure is reported by the write that meets it.
constexpr qsizetype BlockSize = 64 * 1024;
// Read in bigger blocks: each block's lines come into the journal at once.
constexpr qsizetype ReadBlockSize = 1024 * 1024;

JournalFile::WriteResult failure(const QFileDevice &file, QFileDevice::FileError stage, const QString &what)
{
    // A device that failed without saying why (a write that made no
    // progress) gets the code of the step that failed.
    if (file.error() == QFileDevice::NoError)
        return {false, int(stage), what};
    return {false, int(file.error()), what + QStringLiteral(": ") + file.errorString()};
}

// Writes all of bytes, going on after a short write: the write that cannot
// go on is the one that reports the cause (a full disk, for instance).
bool writeAll(QFileDevice &file, const QByteArray &bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const qint64 n = file.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

// A file its owner marked read-only is not replaced, even by a user the
// permission bits do not stop.
bool readOnly(const QFileInfo &target)
{
    constexpr QFile::Permissions anyWrite = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    return target.exists() && !target.isDir() && (!target.isWritable() || !(target.permissions() & anyWrite));
}

} // namespace

namespace JournalFile {

WriteResult write(const JournalGrid &grid, const QString &fileName, const QString &separator)
{
    QSaveFile file(fileName);
    return write(grid, file, separator);
}

WriteResult write(const JournalGrid &grid, QSaveFile &file, const QString &separator)
{
    const QString cannotCreate = FileTexts::cannotCreate();
    const QString cannotWrite = FileTexts::cannotWrite();
    if (readOnly(QFileInfo(file.fileName())))
        return {false, int(QFileDevice::OpenError), cannotCreate + FileTexts::readOnly()};
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return failure(file, QFileDevice::OpenError, cannotCreate);

    QByteArray block;
    block.reserve(BlockSize + 1024);
    // The grid keeps each row as the line a Tab-separated file holds.
    const bool tabs = separator == QLatin1String("\t");
    for (int row = 1; row < grid.Rows(); ++row) {
        if (tabs)
            grid.appendFileLine(row, block);
        else
            block += AnsiText::encode(grid.dataCells(row).toString().replace(QLatin1Char('\t'), separator));
        block += "\r\n";
        if (block.size() >= BlockSize) {
            if (!writeAll(file, block))
                return failure(file, QFileDevice::WriteError, cannotWrite);
            block.resize(0);
        }
    }
    if (!writeAll(file, block))
        return failure(file, QFileDevice::WriteError, cannotWrite);
    if (!file.commit())
        return failure(file, QFileDevice::WriteError, FileTexts::cannotSave());
    return {};
}

bool readLines(const QString &fileName, const std::function<void()> &opened,
               const std::function<void(const QList<QByteArrayView> &)> &addLines)
{
    QFile file(fileName);
    if (fileName.isEmpty() || !file.open(QIODevice::ReadOnly))
        return false;
    opened();
    QList<QByteArrayView> lines;
    const auto addLine = [&lines](QByteArrayView line) {
        if (line.endsWith('\r'))
            line.chop(1);
        lines.append(line);
    };
    QByteArray pending; // the start of a line whose end is in a later block
    for (QByteArray block; !(block = file.read(ReadBlockSize)).isEmpty();) {
        const QByteArrayView bytes(block);
        qsizetype start = 0;
        qsizetype end = bytes.indexOf('\n');
        if (end >= 0 && !pending.isEmpty()) {
            pending.append(bytes.first(end));
            addLine(pending);
            start = end + 1;
            end = bytes.indexOf('\n', start);
        }
        for (; end >= 0; start = end + 1, end = bytes.indexOf('\n', start))
            addLine(bytes.sliced(start, end - start));
        addLines(lines);
        lines.clear();
        if (start == 0 && end < 0 && !pending.isEmpty())
            pending.append(bytes);
        else
            pending = bytes.sliced(start).toByteArray();
    }
    if (!pending.isEmpty()) {
        addLine(pending);
        addLines(lines);
    }
    return true;
}

std::optional<QStringList> readRows(const QString &fileName)
{
    QStringList rows;
    const bool read = readLines(fileName, [] {}, [&rows](const QList<QByteArrayView> &lines) {
        for (QByteArrayView line : lines)
            rows.append(QString::number(rows.size() + 1) % QLatin1Char('\t') % AnsiText::decode(line));
    });
    if (!read)
        return std::nullopt;
    return rows;
}

bool looksLikeJournal(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return true;
    const QByteArray head = file.read(BlockSize);
    const auto controls = std::count_if(head.begin(), head.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\r' && c != '\n';
    });
    return controls * 20 <= head.size();
}

} // namespace JournalFile
