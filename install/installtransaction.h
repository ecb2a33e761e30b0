#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

// An installation changes a program folder all or nothing. Its work folder
// inside the program folder (so every move is a rename on one volume) holds
// the unpacked files ("staging"), the originals they replace or that the
// follow-up work changes ("backup"), and a journal. Each change is written
// to the journal before it is made, so an installation cut short by a crash
// or a power cut is undone from the journal at the next start. The journal
// reaches the disk before each change it announces, and names only paths
// below the program folder outside the work folder; the undo acts on no
// other line, and removes no file but the one the installation moved in.
namespace zv {

// The work folder's name; folder scans of the installer skip it.
inline const QString installWorkFolderName = QStringLiteral(".zelvinora-install");

class InstallTransaction
{
public:
    // root: the WinRIK or Гранд-Смета folder.
    explicit InstallTransaction(const QString& root);
    // Undoes everything unless committed.
    ~InstallTransaction();
    InstallTransaction(const InstallTransaction&) = delete;
    InstallTransaction& operator=(const InstallTransaction&) = delete;

    // Creates an empty work folder; false (logged) when it cannot.
    bool begin();
    QString stagingFolder() const;

    // Moves every file unpacked into the staging folder to the same place
    // below root + "/" + prefix, setting aside the file each one replaces.
    bool placeStaged(const QString& prefix = QString());
    // A copy of a file below root that is about to be changed in place (a
    // table, dealer.ini); a file that does not exist yet is removed again
    // on rollback.
    bool keepOriginal(const QString& path);
    // Takes a file below root out of the folder, so that it can come back.
    bool setAside(const QString& path);

    // Puts the folder back as it was; the work folder goes. False (logged)
    // when something could not be put back: the journal then stays for the
    // next start to try again.
    bool rollback();
    // Keeps the changes; the originals and the work folder go.
    bool commit();

    // The file the last failed step was about (for the user's message).
    QString failedPath() const { return m_failedPath; }
    // A sentence for the user when the failure has a cause of its own (a
    // full disk, a name no program folder may hold, an earlier installation
    // not undone); empty otherwise.
    QString failureReason() const { return m_failureReason; }

private:
    bool note(const QString& kind, const QString& relative, const QString& identity = QString());
    bool placeFile(const QString& staged, const QString& relative);
    bool makeFolders(const QString& relative);
    QString relativeOf(const QString& path) const;
    bool fail(const QString& path, const QString& what);
    // As fail(), saying so to the user when the disk is full.
    bool failOnDisk(const QString& path, const QString& what);

    QString m_root;
    QString m_work;
    bool m_open = false;
    QString m_failedPath;
    QString m_failureReason;
    // Folders that gained or lost an entry: on the disk before the commit.
    QSet<QString> m_touched;
    // Paths whose way back is already in the journal.
    QSet<QString> m_noted;
};

// Undoes an installation that a crash left unfinished below root, and
// removes what a finished one left behind. Originals the journal lost track
// of (a journal missing, cut short or unreadable) are put back as well. True
// when the folder is clean.
bool restoreInterruptedInstall(const QString& root);

// True while root still holds an installation that could not be undone
// (asked after restoreInterruptedInstall): nothing may be installed there
// until a restore succeeds.
bool interruptedInstallRemains(const QString& root);
// What the user is told then, in a critical box of this title: the folder,
// where the originals are kept, what to do, and where the log lies.
inline const QString interruptedInstallTitle = QStringLiteral("Папка не восстановлена");
QString interruptedInstallMessage(const QString& root);

} // namespace zv
