#include "archivebuilder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

namespace zv::test {

namespace {

bool makeParentOf(const QString& path)
{
    return QDir().mkpath(QFileInfo(path).absolutePath());
}

} // namespace

void ArchiveBuilder::addFile(const QString& relativePath, const QByteArray& content)
{
    m_files.insert(relativePath, content);
}

void ArchiveBuilder::addZeros(const QString& relativePath, qint64 size)
{
    m_zeros.insert(relativePath, size);
}

bool ArchiveBuilder::fail(const QString& message)
{
    m_error = message;
    return false;
}

bool ArchiveBuilder::write(const QString& archivePath)
{
    if (m_files.isEmpty() && m_zeros.isEmpty())
        return fail(QStringLiteral("nothing to pack"));
    QTemporaryDir staging;
    if (!staging.isValid())
        return fail(QStringLiteral("no staging folder: ") + staging.errorString());
    for (auto it = m_files.cbegin(); it != m_files.cend(); ++it) {
        const QString path = staging.filePath(it.key());
        QFile file(path);
        if (!makeParentOf(path) || !file.open(QIODevice::WriteOnly)
            || file.write(it.value()) != it.value().size())
            return fail(QStringLiteral("cannot stage ") + path);
    }
    for (auto it = m_zeros.cbegin(); it != m_zeros.cend(); ++it) {
        const QString path = staging.filePath(it.key());
        QFile file(path);
        // A sparse file: the size costs no disk until it is unpacked.
        if (!makeParentOf(path) || !file.open(QIODevice::WriteOnly) || !file.resize(it.value()))
            return fail(QStringLiteral("cannot stage ") + path);
    }
    const QString target = QFileInfo(archivePath).absoluteFilePath();
    if (!makeParentOf(target) || (QFile::exists(target) && !QFile::remove(target)))
        return fail(QStringLiteral("cannot replace ") + target);

    QProcess packer;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    packer.setProcessEnvironment(environment);
    packer.setWorkingDirectory(staging.path());
    packer.setProcessChannelMode(QProcess::MergedChannels);
    packer.start(QStringLiteral("7za"),
                 {QStringLiteral("a"), QStringLiteral("-tzip"), QStringLiteral("-mx1"), target,
                  QStringLiteral("*")});
    if (!packer.waitForFinished(120000) || packer.exitStatus() != QProcess::NormalExit
        || packer.exitCode() != 0)
        return fail(QStringLiteral("7za a failed: ") + QString::fromLocal8Bit(packer.readAll())
                    + packer.errorString());
    return true;
}

bool ArchiveBuilder::damage(const QString& archivePath)
{
    QFile file(archivePath);
    const qint64 size = file.size();
    return size > 2 && file.resize(size / 2);
}

} // namespace zv::test
