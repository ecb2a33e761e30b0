#pragma once

#include <QMap>
#include <QString>

namespace zv::test {

// Builds real zip archives for tests with the same 7-Zip program the client
// runs: files are staged in a folder of their own and packed with their
// relative paths, so an archive holds exactly the folders it was given.
class ArchiveBuilder
{
public:
    // relativePath uses "/" and may hold folders, blanks and Cyrillic names.
    void addFile(const QString& relativePath, const QByteArray& content = QByteArray("x")) { m_files.insert(relativePath, content); }
    // Writes the archive (replacing one already there; folders created).
    bool write(const QString& archivePath) const;
    // Cuts an archive to half its length, so 7-Zip refuses it.
    static bool damage(const QString& archivePath);

private:
    QMap<QString, QByteArray> m_files;
};

} // namespace zv::test
