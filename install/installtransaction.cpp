#include "install/installtransaction.h"

#include "install/archivecontents.h"
#include "install/filesync.h"
#include "service/downloadroom.h"
#include "service/logging.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace zv {

namespace {

// Journal lines: "<kind> <path below root, percent-encoded>[ <identity>]".
// "restore": the original lies in the backup (when it got there) and goes
// back; "remove": the path did not exist before, and holds the file of that
// identity once the move is made; "folder": a folder created for new files;
// "commit": the installation is kept, only the work folder is left to go.
const QString restoreKind = QStringLiteral("restore");
const QString removeKind = QStringLiteral("remove");
const QString folderKind = QStringLiteral("folder");
const QString commitKind = QStringLiteral("commit");

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
// Copies are made here and renamed into the backup once whole, so the
// backup never holds half a file.
QString copyingOf(const QString& work)
{
    return work + QStringLiteral("/copying");
}

bool moveFile(const QString& from, const QString& to)
{
    QDir().mkpath(QFileInfo(to).absolutePath());
    return QFile::rename(from, to);
}

// Size and modification time: a rename keeps both, so the file a "remove"
// line names is known again after a crash.
QString identityOf(const QString& path)
{
    const QFileInfo file(path);
    return QString::number(file.size()) + QLatin1Char(':') +
           QString::number(file.lastModified().toMSecsSinceEpoch());
}

// Blanks, newlines and every other byte outside letters, digits and "-._~/"
// are written as %XX, so one path is always one field of one line.
QByteArray journalLine(const QString& kind, const QString& relative, const QString& identity)
{
    QByteArray line = kind.toLatin1() + ' ' + relative.toUtf8().toPercentEncoding("/");
    if (!identity.isEmpty())
        line += ' ' + identity.toLatin1();
    return line + '\n';
}

struct JournalEntry
{
    QString kind;
    QString relative;
    QString identity;
};

// The journal's entries; an entry whose path would lead out of root or into
// the work folder is left out and logged. False when there is no journal or
// it cannot be read.
bool readJournal(const QString& work, QVector<JournalEntry>& entries)
{
    QFile journal(journalOf(work));
    if (!journal.open(QIODevice::ReadOnly))
        return false;
    const QList<QByteArray> lines = journal.readAll().split('\n');
    for (const QByteArray& line : lines) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() == 1 && fields.first() == commitKind.toLatin1()) {
            entries.append({commitKind, QString(), QString()});
            continue;
        }
        if (fields.size() < 2 || fields.size() > 3)
            continue;
        const JournalEntry entry{QString::fromLatin1(fields.at(0)),
                                 QString::fromUtf8(QByteArray::fromPercentEncoding(fields.at(1))),
                                 QString::fromLatin1(fields.value(2))};
        if (entry.relative.isEmpty() || isUnsafeEntryPath(entry.relative)) {
            ZV_ERROR() << "installFile: a journal line leading out of the folder is ignored: "
                       << QString::fromLatin1(line);
            continue;
        }
        entries.append(entry);
    }
    return true;
}

// Undoes one journal entry; the folders it changed go into touched.
bool undoEntry(const QString& root, const QString& work, const JournalEntry& entry,
               QSet<QString>& touched)
{
    const QString path = root + QLatin1Char('/') + entry.relative;
    const QString original = backupOf(work) + QLatin1Char('/') + entry.relative;
    const QFileInfo current(path);
    touched.insert(current.absolutePath());
    if (entry.kind == folderKind) {
        if (current.isDir() && !current.isSymLink() && QDir(path).isEmpty())
            return QDir(root).rmdir(entry.relative);
    } else if (entry.kind == removeKind) {
        if (!current.exists() && !current.isSymLink())
            return true;
        // Not the file this installation moved there: someone else's, kept.
        if (!entry.identity.isEmpty() && identityOf(path) != entry.identity) {
            ZV_WARNING() << "installFile: not removed, it is not the installed file: "
                         << QDir::toNativeSeparators(path);
            return true;
        }
        return QFile::remove(path);
    } else if (entry.kind == restoreKind && QFileInfo::exists(original)) {
        return (!current.exists() || QFile::remove(path)) && moveFile(original, path);
    }
    return true;
}

// Every file still in the backup is an original whose way back the journal
// lost (a power cut before its line reached the disk): it goes back too.
bool putBackLeftOriginals(const QString& root, const QString& work, QSet<QString>& touched)
{
    const QString backup = backupOf(work);
    QDirIterator files(backup, QDir::Files | QDir::Hidden | QDir::System,
                       QDirIterator::Subdirectories);
    bool allBack = true;
    while (files.hasNext()) {
        const QString relative = QDir(backup).relativeFilePath(files.next());
        if (isUnsafeEntryPath(relative))
            continue;
        allBack = undoEntry(root, work, {restoreKind, relative, QString()}, touched) && allBack;
    }
    return allBack;
}

// Puts root back as it was before the installation whose work folder is
// there, or, when its journal says it was kept (and the commit is to be
// honoured: not in the installation's own rollback), does nothing.
// Every entry is tried even after a failure, so as much as possible is back
// at once. False when something could not be put back: the work folder then
// stays for the next try.
bool undoInstallation(const QString& root, const QString& work, bool honourCommit)
{
    QVector<JournalEntry> entries;
    const bool journalRead = readJournal(work, entries);
    if (!journalRead && QFileInfo::exists(journalOf(work)))
        ZV_ERROR() << "installFile: the journal cannot be read, the originals are put back: "
                   << QDir::toNativeSeparators(journalOf(work));
    for (const JournalEntry& entry : entries) {
        if (entry.kind == commitKind && honourCommit)
            return true;
    }
    bool allBack = true;
    QSet<QString> touched;
    for (auto entry = entries.crbegin(); entry != entries.crend(); ++entry) {
        if (!undoEntry(root, work, *entry, touched)) {
            ZV_ERROR() << "installFile: cannot put back "
                       << QDir::toNativeSeparators(root + QLatin1Char('/') + entry->relative);
            allBack = false;
        }
    }
    allBack = putBackLeftOriginals(root, work, touched) && allBack;
    // The journal may go only once the moves back are on the disk.
    for (const QString& folder : qAsConst(touched))
        syncFolder(folder);
    return allBack;
}

bool removeWorkFolder(const QString& work)
{
    // The originals go first, then the journal: whatever a crash leaves
    // after that is only litter, never an original to bring back over a
    // kept installation.
    if (!QDir(backupOf(work)).removeRecursively())
        return false;
    if (QFileInfo::exists(journalOf(work)) && !QFile::remove(journalOf(work)))
        return false;
    return QDir(work).removeRecursively();
}

QString logPathText()
{
    return QDir::toNativeSeparators(supportLogFilePath());
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
    if (!restoreInterruptedInstall(m_root)) {
        m_failureReason = interruptedInstallMessage(m_root);
        return fail(m_work, QStringLiteral("an earlier installation could not be undone"));
    }
    QFile journal(journalOf(m_work));
    // The journal's own entry must be on the disk before anything it guards.
    if (!QDir().mkpath(stagingFolder()) || !QDir().mkpath(backupOf(m_work)) ||
        !journal.open(QIODevice::WriteOnly) || !syncFolder(m_work) || !syncFolder(m_root)) {
        QDir(m_work).removeRecursively();
        return failOnDisk(m_work, QStringLiteral("cannot create the work folder"));
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
    // 7-Zip lists some names otherwise than it writes them (a newline
    // shown as "_"): what it wrote is checked before anything moves.
    for (const QString& relative : qAsConst(relatives)) {
        if (isUnsafeEntryPath(relative)) {
            m_failureReason = QStringLiteral("Архив содержит недопустимое имя файла «%1».")
                                  .arg(printableEntryPath(relative));
            return fail(staging + QLatin1Char('/') + printableEntryPath(relative),
                        QStringLiteral("an unpacked name is not allowed"));
        }
    }
    const QString base = prefix.isEmpty() ? QString() : QDir::cleanPath(prefix) + QLatin1Char('/');
    for (const QString& relative : qAsConst(relatives)) {
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
            return failOnDisk(target, QStringLiteral("cannot set the replaced file aside"));
    } else if (!note(removeKind, relative, identityOf(staged))) {
        return false;
    }
    if (!moveFile(staged, target))
        return failOnDisk(target, QStringLiteral("cannot move the new file in"));
    m_touched.insert(existing.absolutePath());
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
            return failOnDisk(folder.filePath(), QStringLiteral("cannot create the folder"));
        m_touched.insert(folder.absolutePath());
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
    m_touched.insert(QFileInfo(path).absolutePath());
    if (!QFileInfo::exists(path))
        return note(removeKind, relative);
    const QString original = backupOf(m_work) + QLatin1Char('/') + relative;
    const QString partial = copyingOf(m_work) + QLatin1Char('/') + relative;
    QDir().mkpath(QFileInfo(original).absolutePath());
    QDir().mkpath(QFileInfo(partial).absolutePath());
    QFile::remove(partial);
    // QFile::copy reports a copy cut short by a full disk as done; the sizes
    // tell. The copy and its place in the backup are on the disk before the
    // original is changed in place.
    if (!note(restoreKind, relative) || !QFile::copy(path, partial) ||
        QFileInfo(partial).size() != QFileInfo(path).size() || !syncFile(partial) ||
        !QFile::rename(partial, original) || !syncFolder(QFileInfo(original).absolutePath())) {
        QFile::remove(partial);
        return failOnDisk(path, QStringLiteral("cannot keep a copy of the original"));
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
    m_touched.insert(QFileInfo(path).absolutePath());
    if (!note(restoreKind, relative) ||
        !moveFile(path, backupOf(m_work) + QLatin1Char('/') + relative))
        return failOnDisk(path, QStringLiteral("cannot set the file aside"));
    return true;
}

bool InstallTransaction::rollback()
{
    if (!m_open)
        return true;
    m_open = false;
    if (!undoInstallation(m_root, m_work, false))
        return false;
    return removeWorkFolder(m_work);
}

bool InstallTransaction::commit()
{
    if (!m_open)
        return false;
    // The new files' places must be on the disk before the originals go.
    for (const QString& folder : qAsConst(m_touched)) {
        if (!syncFolder(folder))
            return failOnDisk(folder, QStringLiteral("cannot write the folder to the disk"));
    }
    if (!note(commitKind, QString()))
        return false;
    m_open = false;
    if (!removeWorkFolder(m_work))
        ZV_WARNING() << "installFile: the work folder could not be removed: "
                     << QDir::toNativeSeparators(m_work);
    return true;
}

bool InstallTransaction::note(const QString& kind, const QString& relative,
                              const QString& identity)
{
    QFile journal(journalOf(m_work));
    const QByteArray line = kind == commitKind ? QByteArray("commit\n")
                                               : journalLine(kind, relative, identity);
    // On the disk before the change it announces: a crash or a power cut
    // right after the change still finds it noted.
    if (!journal.open(QIODevice::WriteOnly | QIODevice::Append) ||
        journal.write(line) != line.size() || !journal.flush())
        return failOnDisk(journalOf(m_work), QStringLiteral("cannot write the journal"));
    journal.close();
    if (!syncFile(journalOf(m_work)))
        return failOnDisk(journalOf(m_work), QStringLiteral("cannot write the journal"));
    if (kind == restoreKind || kind == removeKind)
        m_noted.insert(relative);
    return true;
}

QString InstallTransaction::relativeOf(const QString& path) const
{
    const QString relative = QDir(m_root).relativeFilePath(QDir::cleanPath(path));
    if (QDir::isAbsolutePath(relative) || isUnsafeEntryPath(relative))
        return QString();
    return relative;
}

bool InstallTransaction::fail(const QString& path, const QString& what)
{
    m_failedPath = path;
    ZV_ERROR() << "installFile: " << what << ": " << QDir::toNativeSeparators(path);
    return false;
}

bool InstallTransaction::failOnDisk(const QString& path, const QString& what)
{
    if (m_failureReason.isEmpty() && diskIsFullAt(m_root))
        m_failureReason = QStringLiteral("На диске %1 не осталось свободного места, файл %2 не "
                                         "записан. Освободите место и повторите установку.")
                              .arg(volumeNameOf(m_root), QDir::toNativeSeparators(path));
    return fail(path, what);
}

bool restoreInterruptedInstall(const QString& root)
{
    const QString work = workFolderOf(QDir::cleanPath(root));
    if (root.isEmpty() || !QFileInfo::exists(work))
        return true;
    ZV_WARNING() << "installFile: an unfinished installation is undone in "
                 << QDir::toNativeSeparators(root);
    if (!undoInstallation(QDir::cleanPath(root), work, true)) {
        ZV_ERROR() << "installFile: the unfinished installation could not be undone in "
                   << QDir::toNativeSeparators(root);
        return false;
    }
    return removeWorkFolder(work);
}

bool interruptedInstallRemains(const QString& root)
{
    return !root.isEmpty() && QFileInfo::exists(workFolderOf(QDir::cleanPath(root)));
}

QString interruptedInstallMessage(const QString& root)
{
    const QString folder = QDir::toNativeSeparators(QDir::cleanPath(root));
    return QStringLiteral("Прерванную установку в папке %1 не удалось отменить: часть файлов не "
                          "вернулась на место. Прежние файлы сохранены в папке %2. Закройте "
                          "программы, которые могут держать файлы этой папки (WinRIK), проверьте "
                          "права на неё и свободное место на диске и перезапустите Личный "
                          "кабинет Зелвинора. Пока папка не восстановлена, установка в неё "
                          "невозможна. Подробности в журнале: %3")
        .arg(folder, QDir::toNativeSeparators(workFolderOf(QDir::cleanPath(root))),
             logPathText());
}

} // namespace zv
