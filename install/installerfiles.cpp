#include "install/installerfiles.h"

#include "install/dbfsource.h"
#include "install/installtransaction.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace zv {

namespace {

const QDir::Filters subFolders = QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks |
                                 QDir::Hidden | QDir::System;
const QDir::Filters plainFiles = QDir::Files | QDir::Hidden | QDir::System;

// An installation's originals and unpacked files are not the program's data.
QStringList dataFolders(const QDir& dir)
{
    QStringList folders = dir.entryList(subFolders);
    folders.removeAll(installWorkFolderName);
    return folders;
}

} // namespace

void scanNbIni(const QDir& dir, QStringList& nbIniPaths)
{
    QCoreApplication::processEvents();
    const QStringList found = dir.entryList({QStringLiteral("nb.ini")}, plainFiles);
    for (const QString& name : found) {
        const QString path = dir.absoluteFilePath(name);
        if (!nbIniPaths.contains(path))
            nbIniPaths << path;
    }
    const QStringList folders = dataFolders(dir);
    for (const QString& name : folders)
        scanNbIni(QDir(dir.absoluteFilePath(name)), nbIniPaths);
}

QStringList findFiles(const QDir& dir, const QStringList& patterns)
{
    QStringList files;
    const QStringList folders = dataFolders(dir);
    for (const QString& name : folders)
        files << findFiles(QDir(dir.absolutePath() + QLatin1Char('/') + name), patterns);
    const QStringList matching = dir.entryList(patterns, plainFiles);
    for (const QString& name : matching)
        files << dir.path() + QLatin1Char('/') + name;
    return files;
}

void removeIndexFiles(const QString& folder)
{
    const QStringList indexFiles =
        findFiles(QDir(folder), {QStringLiteral("*.mdx"), QStringLiteral("*.MDX")});
    for (const QString& path : indexFiles)
        QFile::remove(path);
}

QString firstNbIniEndingIn(const QStringList& nbIniPaths, const QString& folderEnd)
{
    if (folderEnd.isEmpty())
        return QString();
    const bool needsBoundary = folderEnd.front().isLetterOrNumber();
    for (const QString& path : nbIniPaths) {
        const QFileInfo file(path);
        if (file.fileName().compare(QLatin1String("nb.ini"), Qt::CaseInsensitive) != 0)
            continue;
        const QString folder = file.dir().dirName();
        if (!folder.endsWith(folderEnd, Qt::CaseInsensitive))
            continue;
        const int before = folder.size() - folderEnd.size() - 1;
        if (!needsBoundary || before < 0 || !folder.at(before).isLetterOrNumber())
            return path;
    }
    return QString();
}

QString tableFileIn(const QString& folder, const QString& table)
{
    DbfDataSource source(folder, DeletedRows::Shown);
    return source.open() ? source.tablePath(table) : QString();
}

QString nrspKeyOfArchive(const QString& archive)
{
    const QString name = QFileInfo(archive).fileName();
    const int underscore = name.lastIndexOf(QLatin1Char('_'));
    const int point = name.lastIndexOf(QLatin1Char('.'));
    if (underscore < 0 || point <= underscore)
        return QString();
    return name.mid(underscore, point - underscore);
}

QString baseCodeOfArchive(const QString& archive)
{
    const QString name = QFileInfo(archive).fileName();
    if (!name.endsWith(QLatin1String(".zip"), Qt::CaseInsensitive))
        return QString();
    return name.chopped(4).right(4);
}

EndingsArchiveName endingsArchiveName(const QString& archive)
{
    static const QRegularExpression pattern(QStringLiteral("^(.+)_(\\d+)\\.dbf\\.zip$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(QFileInfo(archive).fileName());
    EndingsArchiveName name;
    bool isNumber = false;
    if (match.hasMatch())
        name.number = match.captured(2).toInt(&isNumber, 10);
    name.valid = isNumber;
    if (isNumber)
        name.type = match.captured(1);
    return name;
}

} // namespace zv
