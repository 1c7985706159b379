#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// Files as bytes, for tests that prepare and inspect files on disk.
namespace TestFiles {

// The file's bytes; "<none>" when it cannot be read.
inline QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
}

// Creates or replaces the file with exactly these bytes.
inline bool put(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace TestFiles
