#include "install/installer.h"

#include "install/endingsmerge.h"
#include "install/installerbases.h"
#include "install/installerfiles.h"
#include "install/winrikfolder.h"
#include "service/downloadcache.h"
#include "service/logging.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>

namespace zv {

namespace {

// The setup program replaces the client's files, so the client leaves at
// once instead of going back to its event loop.
void exitClientNow()
{
    std::fflush(nullptr);
    std::exit(0);
}

// The archive is the mark of an unfinished installation: once it is gone the
// catalogue no longer offers the item as waiting.
void removeArchive(const QString& archive)
{
    if (!QFile::remove(archive))
        ZV_WARNING() << "installFile: the installed archive could not be removed from the cache: "
                     << archive;
}

bool noMatch(const QString& what, const QString& archive)
{
    ZV_ERROR() << "installFile: " << what << " (" << archive << ")";
    return false;
}

} // namespace

Installer::Installer(const QString& rikFolder, const QString& grandFolder)
    : m_rikFolder(rikFolder), m_grandFolder(grandFolder), m_exitClient(exitClientNow)
{
}

void Installer::setInstalledBases(const QMap<QString, NORMBASE>& bases)
{
    m_installedBases = bases;
}

void Installer::setOfferedEndings(const QVector<VAR>& endings)
{
    m_offeredEndings = endings;
}

void Installer::setNbIniPaths(const QStringList& paths)
{
    m_nbIniPaths = paths;
}

void Installer::setSevenZipRun(const SevenZipRun& run)
{
    m_sevenZip = run;
}

void Installer::setClientExit(std::function<void()> exitClient)
{
    m_exitClient = std::move(exitClient);
}

bool Installer::installFile(const QString& archive, const QString& itemClass)
{
    m_failureReason.clear();
    if (installByClass(archive, itemClass))
        return true;
    // Steps that know better say so themselves; every other failure still
    // names the archive, and the log has the details.
    if (m_failureReason.isEmpty())
        m_failureReason = QStringLiteral("Не удалось установить %1, подробности в журнале")
                              .arg(QFileInfo(archive).fileName());
    return false;
}

bool Installer::installByClass(const QString& archive, const QString& itemClass)
{
    if (!QFileInfo(archive).isFile())
        return false;
    if (!isTrustedCacheFile(archive)) {
        ZV_ERROR() << "installFile: the cache file is not the user's own and is not installed: "
                   << archive;
        return false;
    }
    if (itemClass == QLatin1String("zelvinoraPA"))
        return startOwnSetup(archive);

    QProcess process;
    if (itemClass == QLatin1String("rik"))
        return installRikProgram(process, archive);
    if (itemClass == QLatin1String("rikUser"))
        return installUserFile(process, archive);
    if (itemClass == QLatin1String("rikInd"))
        return installIndices(process, archive);
    if (itemClass == QLatin1String("rikNRSP"))
        return installNrsp(process, archive);
    if (itemClass == QLatin1String("rikNB"))
        return installNormBase(process, archive);
    if (itemClass.contains(QLatin1String("rikVar")))
        return installEndings(process, archive);
    if (itemClass == QLatin1String("grandInd"))
        return installGrandIndices(process, archive);
    return false;
}

bool Installer::startOwnSetup(const QString& archive)
{
    if (!QProcess::startDetached(archive, {}, QCoreApplication::applicationDirPath())) {
        ZV_ERROR() << "installFile: the setup program could not be started: " << archive;
        return false;
    }
    ZV_INFO() << "installFile: setup program started, the client ends: " << archive;
    m_exitClient();
    return true;
}

bool Installer::installRikProgram(QProcess& process, const QString& archive)
{
    if (!programFolderExists(m_rikFolder, QStringLiteral("WinRIK"), archive) ||
        !extract(process, QStringLiteral("x"), archive, m_rikFolder))
        return false;
    removeArchive(archive);
    return true;
}

bool Installer::installUserFile(QProcess& process, const QString& archive)
{
    // "e": user.rik belongs in the WinRIK folder itself, whatever folder the
    // archive keeps it in.
    if (!programFolderExists(m_rikFolder, QStringLiteral("WinRIK"), archive) ||
        !extract(process, QStringLiteral("e"), archive, m_rikFolder))
        return false;
    removeArchive(archive);
    return true;
}

bool Installer::installIndices(QProcess& process, const QString& archive)
{
    if (!programFolderExists(m_rikFolder, QStringLiteral("WinRIK"), archive) ||
        !extract(process, QStringLiteral("x"), archive, m_rikFolder))
        return false;
    removeArchive(archive);
    return true;
}

bool Installer::installNrsp(QProcess& process, const QString& archive)
{
    if (!programFolderExists(m_rikFolder, QStringLiteral("WinRIK"), archive) ||
        !extract(process, QStringLiteral("x"), archive, m_rikFolder))
        return false;
    scanNbIni(QDir(m_rikFolder), m_nbIniPaths);
    const QString key = nrspKeyOfArchive(archive);
    if (key.isEmpty())
        return noMatch(QStringLiteral("the archive name names no normative base"), archive);
    const QString nbIni = firstNbIniEndingIn(m_nbIniPaths, key);
    if (nbIni.isEmpty())
        return noMatch(QStringLiteral("no normative base folder ending in ") + key, archive);
    if (!stampNrspDate(nbIni.chopped(7), archive))
        return false;
    removeArchive(archive);
    return true;
}

bool Installer::installNormBase(QProcess& process, const QString& archive)
{
    if (!programFolderExists(m_rikFolder, QStringLiteral("WinRIK"), archive) ||
        !extract(process, QStringLiteral("x"), archive, m_rikFolder) ||
        !listArchive(process, archive, m_sevenZip))
        return false;
    scanNbIni(QDir(m_rikFolder), m_nbIniPaths);
    const QString code = baseCodeOfArchive(archive);
    const QString baz = code.mid(code.lastIndexOf(QLatin1Char('/')) + 1);
    if (baz.isEmpty())
        return noMatch(QStringLiteral("the archive name names no normative base"), archive);
    const QString nbIni = firstNbIniEndingIn(m_nbIniPaths, baz);
    if (nbIni.isEmpty())
        return noMatch(QStringLiteral("no nb.ini in a folder ending in ") + baz, archive);
    // The catalogue's keys are lower-cased base ids; a code compared as it
    // stands would register a base with capitals once more on every install.
    if (!m_installedBases.contains(baz.toLower())) {
        if (!addInstalBase(m_rikFolder, code, nbIni, DataTypes::Rik)) {
            ZV_ERROR() << "Cannot write INSTALL.DBF. (" << archive << ")";
            return false;
        }
    } else {
        // A reinstalled base brings new tables; WinRIK rebuilds their
        // indexes when it finds none.
        removeIndexFiles(nbIni.chopped(7));
    }
    removeArchive(archive);
    return true;
}

bool Installer::installEndings(QProcess& process, const QString& archive)
{
    if (!programFolderExists(m_rikFolder, QStringLiteral("WinRIK"), archive) ||
        !extract(process, QStringLiteral("x"), archive,
                 winrik::endingsFolder(m_rikFolder) + QLatin1Char('/')))
        return false;
    const EndingsArchiveName name = endingsArchiveName(archive);
    if (!name.valid)
        return noMatch(QStringLiteral("the archive name names no endings record"), archive);
    const VAR* const record = newestOfferedRecord(name.type, name.number);
    if (!record)
        return noMatch(QStringLiteral("no offered endings record ") + name.type +
                           QLatin1Char('_') + QString::number(name.number),
                       archive);
    if (!mergeEndings(m_rikFolder, *record, DataTypes::Rik)) {
        ZV_ERROR() << "Oshibka dobavlenia koncovki v  " << name.type << "_all.dbf. (" << archive
                   << ")";
        return false;
    }
    removeArchive(archive);
    return true;
}

bool Installer::installGrandIndices(QProcess& process, const QString& archive)
{
    if (!programFolderExists(m_grandFolder, QStringLiteral("Гранд-Смета"), archive) ||
        !extract(process, QStringLiteral("x"), archive, m_grandFolder))
        return false;
    removeArchive(archive);
    return true;
}

// 7-Zip creates a missing target, so a folder setting that is empty or
// mistyped would scatter the data into the current or a new folder.
bool Installer::programFolderExists(const QString& folder, const QString& program,
                                    const QString& archive) const
{
    if (!folder.isEmpty() && QFileInfo(folder).isDir())
        return true;
    ZV_ERROR() << "installFile: the " << program << " folder \"" << QDir::toNativeSeparators(folder)
               << "\" does not exist (" << archive << ")";
    return false;
}

bool Installer::extract(QProcess& process, const QString& command, const QString& archive,
                        const QString& target) const
{
    return extractArchive(process, command, archive, target, m_sevenZip);
}

const VAR* Installer::newestOfferedRecord(const QString& type, int number) const
{
    for (auto it = m_offeredEndings.crbegin(); it != m_offeredEndings.crend(); ++it) {
        if (it->type == type && it->number == number)
            return &*it;
    }
    return nullptr;
}

} // namespace zv
