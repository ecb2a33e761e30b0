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
    // A file of zeros that packs small but takes a while to unpack.
    void addZeros(const QString& relativePath, qint64 size) { m_zeros.insert(relativePath, size); }
    // Writes the archive (replacing one already there; folders created).
    bool write(const QString& archivePath);
    QString errorString() const { return m_error; }
    // Cuts an archive to half its length, so 7-Zip refuses it.
    static bool damage(const QString& archivePath);

private:
    QMap<QString, QByteArray> m_files;
    QMap<QString, qint64> m_zeros;
    QString m_error;
};

} // namespace zv::test
