#pragma once

#include "install/extraction.h"
#include "install/winrikrecords.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

namespace zv {

// Installs one downloaded archive by its item class: unpacks it into the
// WinRIK or Гранд-Смета folder and does what that kind of data needs to
// become visible to WinRIK (INSTAL row, dealer.ini date, index-file removal,
// endings merge). On success the archive leaves the download cache; on any
// failure it stays there and the failure is logged, so the user can try
// again. Archives that are missing or not trusted are refused.
class Installer
{
public:
    Installer(const QString& rikFolder, const QString& grandFolder);

    // What the catalogue last found installed and offered.
    void setInstalledBases(const QMap<QString, NORMBASE>& bases);
    void setOfferedEndings(const QVector<VAR>& endings);
    // nb.ini files found so far; installations add what they find.
    void setNbIniPaths(const QStringList& paths);
    QStringList nbIniPaths() const { return m_nbIniPaths; }

    void setSevenZipRun(const SevenZipRun& run);
    // How the client ends once its own setup program runs (by default the
    // process exits with status 0).
    void setClientExit(std::function<void()> exitClient);

    // itemClass: "rikInd", "grandInd", "rikNB", "rikNRSP", "rikVarLoc",
    // "rikVarRes", "rikUser", "rik" or "zelvinoraPA".
    bool installFile(const QString& archive, const QString& itemClass);
    // Why the last installFile failed, in one sentence for the user; empty
    // after a success.
    QString failureReason() const { return m_failureReason; }

private:
    bool installByClass(const QString& archive, const QString& itemClass);
    bool startOwnSetup(const QString& archive);
    bool installRikProgram(QProcess& process, const QString& archive);
    bool installUserFile(QProcess& process, const QString& archive);
    bool installIndices(QProcess& process, const QString& archive);
    bool installNrsp(QProcess& process, const QString& archive);
    bool installNormBase(QProcess& process, const QString& archive);
    bool installEndings(QProcess& process, const QString& archive);
    bool installGrandIndices(QProcess& process, const QString& archive);

    bool programFolderExists(const QString& folder, const QString& program,
                             const QString& archive) const;
    bool extract(QProcess& process, const QString& command, const QString& archive,
                 const QString& target) const;
    const VAR* newestOfferedRecord(const QString& type, int number) const;

    QString m_rikFolder;
    QString m_grandFolder;
    QMap<QString, NORMBASE> m_installedBases;
    QVector<VAR> m_offeredEndings;
    QStringList m_nbIniPaths;
    SevenZipRun m_sevenZip;
    std::function<void()> m_exitClient;
    QString m_failureReason;
};

} // namespace zv
