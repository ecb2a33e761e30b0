#include "install/installtransaction.h"

#include "service/logging.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace zv {

namespace {

// Journal lines: "<kind> <path below root>". "restore": the original lies
// in the backup (when it got there) and goes back; "remove": the path did
// not exist before; "folder": a folder created for new files.
const QString restoreKind = QStringLiteral("restore");
const QString removeKind = QStringLiteral("remove");
const QString folderKind = QStringLiteral("folder");

QString workFolderOf(const QString& root)
{
    return root + QLatin1Char('/') + installWorkFolderName;
}
QString journalOf(const QString& work)
{
    return work + QStringLiteral("/journal");
}
QString backupOf(const QString& work)
{
    return work + QStringLiteral("/backup");
}

bool moveFile(const QString& from, const QString& to)
{
    QDir().mkpath(QFileInfo(to).absolutePath());
    return QFile::rename(from, to);
}

// Undoes the journal's entries from the last to the first. Every entry is
// tried even after a failure, so as much as possible is back at once.
bool undoJournal(const QString& root, const QString& work)
{
    QFile journal(journalOf(work));
    if (!journal.open(QIODevice::ReadOnly))
        return !journal.exists();
    QStringList lines = QString::fromUtf8(journal.readAll()).split(QLatin1Char('\n'));
    journal.close();
    bool allBack = true;
    for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
        const int blank = line->indexOf(QLatin1Char(' '));
        if (blank < 0)
            continue;
        const QString kind = line->left(blank);
        const QString relative = line->mid(blank + 1);
        const QString path = root + QLatin1Char('/') + relative;
        const QString original = backupOf(work) + QLatin1Char('/') + relative;
        bool back = true;
        if (kind == folderKind) {
            if (QFileInfo(path).isDir() && QDir(path).isEmpty())
                back = QDir(root).rmdir(relative);
        } else if (kind == removeKind) {
            back = !QFileInfo::exists(path) || QFile::remove(path);
        } else if (kind == restoreKind && QFileInfo::exists(original)) {
            back = (!QFileInfo::exists(path) || QFile::remove(path)) && moveFile(original, path);
        }
        if (!back) {
            ZV_ERROR() << "installFile: cannot put back " << QDir::toNativeSeparators(path);
            allBack = false;
        }
    }
    return allBack;
}

bool removeWorkFolder(const QString& work)
{
    // The journal goes first: without it what is left is only litter.
    if (QFileInfo::exists(journalOf(work)) && !QFile::remove(journalOf(work)))
        return false;
    return QDir(work).removeRecursively();
}

} // namespace

InstallTransaction::InstallTransaction(const QString& root)
    : m_root(QDir::cleanPath(root)), m_work(workFolderOf(m_root))
{
}

InstallTransaction::~InstallTransaction()
{
    if (m_open)
        rollback();
}

bool InstallTransaction::begin()
{
    if (!restoreInterruptedInstall(m_root))
        return fail(m_work, QStringLiteral("an earlier installation could not be undone"));
    QFile journal(journalOf(m_work));
    if (!QDir().mkpath(stagingFolder()) || !QDir().mkpath(backupOf(m_work)) ||
        !journal.open(QIODevice::WriteOnly)) {
        QDir(m_work).removeRecursively();
        return fail(m_work, QStringLiteral("cannot create the work folder"));
    }
    m_open = true;
    return true;
}

QString InstallTransaction::stagingFolder() const
{
    return m_work + QStringLiteral("/staging");
}

bool InstallTransaction::placeStaged(const QString& prefix)
{
    const QString staging = stagingFolder();
    QDirIterator files(staging, QDir::Files | QDir::Hidden | QDir::System,
                       QDirIterator::Subdirectories);
    QStringList relatives;
    while (files.hasNext())
        relatives << QDir(staging).relativeFilePath(files.next());
    relatives.sort();
    const QString base = prefix.isEmpty() ? QString() : QDir::cleanPath(prefix) + QLatin1Char('/');
    for (const QString& relative : relatives) {
        if (!placeFile(staging + QLatin1Char('/') + relative, base + relative))
            return false;
    }
    return true;
}

bool InstallTransaction::placeFile(const QString& staged, const QString& relative)
{
    const QString target = m_root + QLatin1Char('/') + relative;
    const QFileInfo existing(target);
    if (existing.isDir() && !existing.isSymLink())
        return fail(target, QStringLiteral("a folder stands where a file goes"));
    if (!makeFolders(QFileInfo(relative).path()))
        return false;
    if (existing.exists() || existing.isSymLink()) {
        if (!note(restoreKind, relative) ||
            !moveFile(target, backupOf(m_work) + QLatin1Char('/') + relative))
            return fail(target, QStringLiteral("cannot set the replaced file aside"));
    } else if (!note(removeKind, relative)) {
        return false;
    }
    if (!moveFile(staged, target))
        return fail(target, QStringLiteral("cannot move the new file in"));
    return true;
}

bool InstallTransaction::makeFolders(const QString& relative)
{
    if (relative.isEmpty() || relative == QLatin1String("."))
        return true;
    QString walked;
    for (const QString& piece : relative.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        walked += (walked.isEmpty() ? QString() : QStringLiteral("/")) + piece;
        const QFileInfo folder(m_root + QLatin1Char('/') + walked);
        if (folder.isDir())
            continue;
        if (folder.exists() || !note(folderKind, walked) || !QDir(m_root).mkdir(walked))
            return fail(folder.filePath(), QStringLiteral("cannot create the folder"));
    }
    return true;
}

bool InstallTransaction::keepOriginal(const QString& path)
{
    const QString relative = relativeOf(path);
    if (relative.isEmpty())
        return fail(path, QStringLiteral("not below the program folder"));
    if (m_noted.contains(relative))
        return true;
    if (!QFileInfo::exists(path))
        return note(removeKind, relative);
    const QString original = backupOf(m_work) + QLatin1Char('/') + relative;
    const QString partial = original + QStringLiteral(".part");
    QDir().mkpath(QFileInfo(original).absolutePath());
    // The copy becomes the backup only once whole, so a rollback never puts
    // half a table back.
    QFile::remove(partial);
    // QFile::copy reports a copy cut short by a full disk as done; the sizes
    // tell.
    if (!note(restoreKind, relative) || !QFile::copy(path, partial) ||
        QFileInfo(partial).size() != QFileInfo(path).size() || !QFile::rename(partial, original)) {
        QFile::remove(partial);
        return fail(path, QStringLiteral("cannot keep a copy of the original"));
    }
    return true;
}

bool InstallTransaction::setAside(const QString& path)
{
    const QString relative = relativeOf(path);
    if (relative.isEmpty())
        return fail(path, QStringLiteral("not below the program folder"));
    // Put there by this installation: the journal already brings back what
    // was there before.
    if (m_noted.contains(relative))
        return QFile::remove(path) || fail(path, QStringLiteral("cannot remove the file"));
    if (!note(restoreKind, relative) ||
        !moveFile(path, backupOf(m_work) + QLatin1Char('/') + relative))
        return fail(path, QStringLiteral("cannot set the file aside"));
    return true;
}

bool InstallTransaction::rollback()
{
    if (!m_open)
        return true;
    m_open = false;
    if (!undoJournal(m_root, m_work))
        return false;
    return removeWorkFolder(m_work);
}

bool InstallTransaction::commit()
{
    if (!m_open)
        return false;
    m_open = false;
    if (!removeWorkFolder(m_work))
        ZV_WARNING() << "installFile: the work folder could not be removed: "
                     << QDir::toNativeSeparators(m_work);
    return true;
}

bool InstallTransaction::note(const QString& kind, const QString& relative)
{
    QFile journal(journalOf(m_work));
    // Flushed before the change it announces: a crash right after the
    // change still finds it noted.
    if (!journal.open(QIODevice::WriteOnly | QIODevice::Append) ||
        journal.write((kind + QLatin1Char(' ') + relative + QLatin1Char('\n')).toUtf8()) < 0 ||
        !journal.flush())
        return fail(journalOf(m_work), QStringLiteral("cannot write the journal"));
    if (kind != folderKind)
        m_noted.insert(relative);
    return true;
}

QString InstallTransaction::relativeOf(const QString& path) const
{
    const QString relative = QDir(m_root).relativeFilePath(QDir::cleanPath(path));
    if (relative.startsWith(QLatin1String("..")) || QDir::isAbsolutePath(relative) ||
        relative.startsWith(installWorkFolderName))
        return QString();
    return relative;
}

bool InstallTransaction::fail(const QString& path, const QString& what)
{
    m_failedPath = path;
    ZV_ERROR() << "installFile: " << what << ": " << QDir::toNativeSeparators(path);
    return false;
}

bool restoreInterruptedInstall(const QString& root)
{
    const QString work = workFolderOf(QDir::cleanPath(root));
    if (root.isEmpty() || !QFileInfo::exists(work))
        return true;
    if (QFileInfo::exists(journalOf(work))) {
        ZV_WARNING() << "installFile: an unfinished installation is undone in "
                     << QDir::toNativeSeparators(root);
        if (!undoJournal(QDir::cleanPath(root), work)) {
            ZV_ERROR() << "installFile: the unfinished installation could not be undone in "
                       << QDir::toNativeSeparators(root);
            return false;
        }
    }
    return removeWorkFolder(work);
}

} // namespace zv
