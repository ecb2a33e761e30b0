#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

// An installation changes a program folder all or nothing. Its work folder
// inside the program folder (so every move is a rename on one volume) holds
// the unpacked files ("staging"), the originals they replace or that the
// follow-up work changes ("backup"), and a journal. Each change is written
// to the journal before it is made, so an installation cut short by a crash
// or a power cut is undone from the journal at the next start.
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

private:
    bool note(const QString& kind, const QString& relative);
    bool placeFile(const QString& staged, const QString& relative);
    bool makeFolders(const QString& relative);
    QString relativeOf(const QString& path) const;
    bool fail(const QString& path, const QString& what);

    QString m_root;
    QString m_work;
    bool m_open = false;
    QString m_failedPath;
    // Paths whose way back is already in the journal.
    QSet<QString> m_noted;
};

// Undoes an installation that a crash left unfinished below root, and
// removes what a finished one left behind. True when the folder is clean.
bool restoreInterruptedInstall(const QString& root);

} // namespace zv
