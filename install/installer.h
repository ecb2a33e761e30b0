#pragma once

#include "install/extraction.h"
#include "install/winrikrecords.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

namespace zv {

class InstallTransaction;

// Installs one downloaded archive by its item class into the WinRIK or
// Гранд-Смета folder, all or nothing. Before the folder is touched the
// archive must lie in the download cache, its name must say what it is for,
// 7-Zip must find it whole, none of its entries may lead out of the folder,
// the disk must hold it, and WinRIK must not be running. It is then unpacked
// into a work folder beside the data, moved in with the replaced files set
// aside, and the kind's follow-up work is done (INSTAL row, dealer.ini date,
// index-file removal, endings merge). A failure at any step puts the folder
// back as it was and keeps the archive; only full success removes it.
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
    // 0 to 100 over the whole installation (testing, then unpacking).
    void setProgress(std::function<void(int percent)> progress);
    // Asked while 7-Zip runs and between the steps; true stops the
    // installation and rolls it back.
    void setStopRequested(std::function<bool()> stopRequested);
    // How the client ends once its own setup program runs (by default the
    // process exits with status 0).
    void setClientExit(std::function<void()> exitClient);

    // itemClass: "rikInd", "grandInd", "rikNB", "rikNRSP", "rikVarLoc",
    // "rikVarRes", "rikUser", "rik" or "zelvinoraPA".
    bool installFile(const QString& archive, const QString& itemClass);
    // Empty after success; otherwise one sentence for the user.
    QString failureReason() const { return m_failureReason; }
    // The failure was 7-Zip finding the archive damaged: the same file would
    // fail again, whatever the folder.
    bool archiveDamaged() const { return m_archiveDamaged; }

private:
    // Where an archive goes and what follows, decided from its class and
    // name before anything is unpacked.
    struct Plan
    {
        QString itemClass;
        QString root;
        QString prefix;
        QString command = QStringLiteral("x");
        QString baseKey;
        // The base's nb.ini as the archive brings it; empty when it brings
        // none.
        QString broughtNbIni;
        VAR record;
    };

    bool installAllOrNothing(const QString& archive, const QString& itemClass);
    bool planFor(const QString& archive, const QString& itemClass, Plan& plan);
    bool checkArchive(const QString& archive, Plan& plan);
    bool unpackAndPlace(const QString& archive, const Plan& plan, InstallTransaction& transaction);
    bool followUp(const QString& archive, const Plan& plan, InstallTransaction& transaction);
    bool stampNrsp(const QString& archive, const Plan& plan, InstallTransaction& transaction);
    bool registerBase(const QString& archive, const Plan& plan, InstallTransaction& transaction);
    bool mergeRecord(const QString& archive, const Plan& plan, InstallTransaction& transaction);
    bool startOwnSetup(const QString& archive);

    bool baseFolderKnown(Plan& plan, const QStringList& entries) const;
    QString baseNbIni(const Plan& plan);
    bool enoughSpace(const QString& archive, const Plan& plan, qint64 unpacked);
    bool stopped(const QString& archive);
    bool sevenZipFailed(const QString& archive, SevenZipEnd end, const QString& reason);
    bool refuse(const QString& reason, const QString& logged);
    const VAR* newestOfferedRecord(const QString& type, int number) const;

    QString m_rikFolder;
    QString m_grandFolder;
    QMap<QString, NORMBASE> m_installedBases;
    QVector<VAR> m_offeredEndings;
    QStringList m_nbIniPaths;
    SevenZipRun m_sevenZip;
    std::function<void(int)> m_progress;
    std::function<void()> m_exitClient;
    QString m_failureReason;
    bool m_archiveDamaged = false;
};

} // namespace zv
