#include "testfiles.h"

#include <QDirIterator>

namespace zv::test {

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& content, qint64 size)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).absolutePath()) && file.open(QIODevice::WriteOnly) &&
           file.write(content) == content.size() && (size < 0 || file.resize(size));
}

QMap<QString, QByteArray> filesBelow(const QString& folder, QDir::Filters folders)
{
    QMap<QString, QByteArray> tree;
    const auto filter = QDir::Files | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System | folders;
    for (QDirIterator it(folder, filter, QDirIterator::Subdirectories); it.hasNext();) {
        const QString path = it.next();
        const bool isFolder = it.fileInfo().isDir();
        tree.insert(QDir(folder).relativeFilePath(path) + (isFolder ? "/" : ""), isFolder ? QByteArray() : fileBytes(path));
    }
    return tree;
}

} // namespace zv::test
