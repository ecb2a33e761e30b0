#pragma once

#include "install/datatypes.h"
#include "install/extraction.h"
#include "install/winrikrecords.h"

#include <QDir>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

namespace zv {

// Installs one downloaded archive by its item class ("rikInd", "grandInd",
// "rikNB", "rikNRSP", "rikVarLoc", "rikVarRes", "rikUser", "rik",
// "zelvinoraPA") into the WinRIK or Гранд-Смета folder and does the follow-up
// work of its kind. On success the archive leaves the cache; on any failure
// it stays there and the reason is logged.
class Installer
{
public:
    // Starts the client's downloaded setup program detached; false when it
    // could not be started.
    using SetupStarter = std::function<bool(const QString& program, const QString& workingFolder)>;
    // Ends the client once its setup program runs.
    using ClientExit = std::function<void(int exitCode)>;

    Installer(const QString& rikFolder, const QString& grandFolder);

    // The catalogue's state the installer reads.
    void setInstalledBases(const QMap<QString, NORMBASE>& bases) { m_installedBases = bases; }
    void setOfferedEndings(const QVector<VAR>& endings) { m_offeredEndings = endings; }
    // nb.ini paths found so far; installations append to them.
    void setNbIniPaths(const QStringList& paths) { m_nbIniPaths = paths; }
    QStringList nbIniPaths() const { return m_nbIniPaths; }

    void setTimeLimit(int milliseconds) { m_timeLimitMs = milliseconds; }
    // Defaults: QProcess::startDetached and std::exit.
    void setSetupStarter(SetupStarter starter) { m_startSetup = std::move(starter); }
    void setClientExit(ClientExit exit) { m_exitClient = std::move(exit); }

    bool installFile(const QString& archive, const QString& itemClass);

private:
    bool installExtracted(const QString& archive, const QString& command, const QString& target);
    bool installClientSetup(const QString& archive);
    bool installNrsp(const QString& archive);
    bool installNormBase(const QString& archive);
    bool installEndings(const QString& archive);
    void deleteArchive(const QString& archive);

    QString m_rikFolder;
    QString m_grandFolder;
    QMap<QString, NORMBASE> m_installedBases;
    QVector<VAR> m_offeredEndings;
    QStringList m_nbIniPaths;
    int m_timeLimitMs = sevenZipTimeLimitMs;
    SetupStarter m_startSetup;
    ClientExit m_exitClient;
};

// Appends the absolute path of every file named "nb.ini" in dir and,
// recursively, in its sub-folders; lets pending events run once per folder.
void scanNbIni(const QDir& dir, QStringList& nbIniPaths);
// Files matching the patterns in dir and all its sub-folders (deepest first).
QStringList findFiles(const QDir& dir, const QStringList& patterns);
// Deletes every *.mdx / *.MDX below folder; one that cannot go is skipped.
void removeIndexFiles(const QString& folder);
// The first entry that ends a folder named like key and holds nb.ini, letter
// case ignored; empty when none does.
QString firstNbIniOf(const QStringList& nbIniPaths, const QString& folderKey);
// Appends one INSTAL row for a newly installed base: VID 'b', NAIM from the
// "Name" of nbIniPath, DIR its folder with "\" separators ending in "\",
// BAZ_ the code after its last "/", DOP 'G'. False for Гранд-Смета.
bool addInstalBase(const QString& rikFolder, const QString& code, const QString& nbIniPath,
                   DataTypes type = DataTypes::Rik);

} // namespace zv
