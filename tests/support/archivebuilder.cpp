#include "archivebuilder.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

namespace zv::test {

bool ArchiveBuilder::write(const QString& archivePath)
{
    QTemporaryDir staging;
    const QString target = QFileInfo(archivePath).absoluteFilePath();
    for (const QString& relative : m_files.keys() + m_zeros.keys()) {
        QFile file(staging.filePath(relative));
        // Zeros go in as a sparse file: the size costs no disk until unpacked.
        if (!QDir().mkpath(QFileInfo(file).absolutePath()) || !file.open(QIODevice::WriteOnly)
            || (m_zeros.contains(relative) ? !file.resize(m_zeros[relative])
                                           : file.write(m_files[relative]) != m_files[relative].size())) {
            m_error = "cannot stage " + relative;
            return false;
        }
    }
    QDir().mkpath(QFileInfo(target).absolutePath());
    QFile::remove(target);
    QProcess packer;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LC_ALL", "C.UTF-8"); // Cyrillic names go in as UTF-8
    packer.setProcessEnvironment(environment);
    packer.setWorkingDirectory(staging.path());
    packer.setProcessChannelMode(QProcess::MergedChannels);
    packer.start("7za", {"a", "-tzip", "-mx1", target, "*"});
    if (packer.waitForFinished(120000) && packer.exitStatus() == QProcess::NormalExit
        && packer.exitCode() == 0)
        return true;
    m_error = "7za a failed: " + QString::fromLocal8Bit(packer.readAll()) + packer.errorString();
    return false;
}

bool ArchiveBuilder::damage(const QString& archivePath)
{
    QFile file(archivePath);
    return file.size() > 2 && file.resize(file.size() / 2);
}

} // namespace zv::test
