#include "archivebuilder.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

namespace zv::test {

bool ArchiveBuilder::write(const QString& archivePath) const
{
    QTemporaryDir staging;
    const QString target = QFileInfo(archivePath).absoluteFilePath();
    for (auto it = m_files.cbegin(); it != m_files.cend(); ++it) {
        QFile file(staging.filePath(it.key()));
        if (!QDir().mkpath(QFileInfo(file).absolutePath()) || !file.open(QIODevice::WriteOnly)
            || file.write(it.value()) != it.value().size())
            return false;
    }
    QDir().mkpath(QFileInfo(target).absolutePath());
    QFile::remove(target);
    QProcess packer;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LC_ALL", "C.UTF-8"); // Cyrillic names go in as UTF-8
    packer.setProcessEnvironment(environment);
    packer.setWorkingDirectory(staging.path());
    packer.start("7za", {"a", "-tzip", "-mx1", target, "*"});
    const bool packed = packer.waitForFinished(120000) && packer.exitStatus() == QProcess::NormalExit && packer.exitCode() == 0;
    if (!packed)
        qWarning("ArchiveBuilder: 7za a failed: %s", packer.readAllStandardError().constData());
    return packed;
}

bool ArchiveBuilder::damage(const QString& archivePath)
{
    QFile file(archivePath);
    return file.size() > 2 && file.resize(file.size() / 2);
}

} // namespace zv::test
