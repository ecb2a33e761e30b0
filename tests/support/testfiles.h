#pragma once

#include <QDir>
#include <QMap>

namespace zv::test {

// The bytes of a file; empty when it cannot be read.
QByteArray fileBytes(const QString& path);
// Writes a whole file, its folders created first; with a size, the file is
// made that long, sparse beyond the content, so a large file takes no room.
bool writeFile(const QString& path, const QByteArray& content, qint64 size = -1);
// Every file below a folder by relative path with its bytes; with QDir::Dirs
// also every folder, named with a trailing "/".
QMap<QString, QByteArray> filesBelow(const QString& folder, QDir::Filters folders = {});

} // namespace zv::test
