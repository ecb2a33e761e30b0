// The work that makes unpacked data visible to WinRIK, each change to a file
// that was there before kept in the installation's backup first.
#include "install/installer.h"

#include "install/endingsmerge.h"
#include "install/installerbases.h"
#include "install/installerfiles.h"
#include "install/installtransaction.h"
#include "install/offthread.h"
#include "install/winrikfolder.h"
#include "service/logging.h"

#include <QDir>
#include <QFileInfo>

namespace zv {

namespace {

QString nameOf(const QString& archive)
{
    return QFileInfo(archive).fileName();
}

} // namespace

bool Installer::followUp(const QString& archive, const Plan& plan, InstallTransaction& transaction)
{
    if (plan.itemClass == QLatin1String("rikNRSP"))
        return stampNrsp(archive, plan, transaction);
    if (plan.itemClass == QLatin1String("rikNB"))
        return registerBase(archive, plan, transaction);
    if (!plan.record.type.isEmpty())
        return mergeRecord(archive, plan, transaction);
    return true;
}

// The nb.ini the archive brought; only without one, the first of the folder
// whose name ends in the base's key.
QString Installer::baseNbIni(const Plan& plan)
{
    scanNbIni(QDir(plan.root), m_nbIniPaths);
    if (!plan.broughtNbIni.isEmpty() && QFileInfo(plan.broughtNbIni).isFile())
        return plan.broughtNbIni;
    return firstNbIniEndingIn(m_nbIniPaths, plan.baseKey);
}

bool Installer::stampNrsp(const QString& archive, const Plan& plan, InstallTransaction& transaction)
{
    const QString nbIni = baseNbIni(plan);
    const QString baseFolder = nbIni.chopped(7);
    if (nbIni.isEmpty() || !transaction.keepOriginal(baseFolder + QStringLiteral("/dealer.ini")) ||
        !stampNrspDate(baseFolder, archive))
        return refuse(QStringLiteral("Не удалось отметить дату НР и СП в dealer.ini: ") +
                          nameOf(archive),
                      QStringLiteral("installFile: dealer.ini not stamped (") + archive +
                          QLatin1Char(')'));
    return true;
}

bool Installer::registerBase(const QString& archive, const Plan& plan,
                             InstallTransaction& transaction)
{
    const QString nbIni = baseNbIni(plan);
    if (nbIni.isEmpty())
        return refuse(QStringLiteral("Не найдена папка нормативной базы для архива: ") +
                          nameOf(archive),
                      QStringLiteral("installFile: no nb.ini in a folder ending in ") +
                          plan.baseKey + " (" + archive + QLatin1Char(')'));
    // The catalogue's keys are lower-cased base ids; a code compared as it
    // stands would register a base with capitals once more on every install.
    if (m_installedBases.contains(plan.baseKey.toLower())) {
        // A reinstalled base brings new tables; WinRIK rebuilds their
        // indexes when it finds none.
        const QStringList indexFiles =
            findFiles(QDir(nbIni.chopped(7)), {QStringLiteral("*.mdx"), QStringLiteral("*.MDX")});
        for (const QString& path : indexFiles) {
            if (!transaction.setAside(path))
                return refuse(QStringLiteral("Не удалось удалить индексный файл ") +
                                  QDir::toNativeSeparators(path) + QStringLiteral(": ") +
                                  nameOf(archive),
                              QStringLiteral("installFile: index file kept (") + archive +
                                  QLatin1Char(')'));
        }
        return true;
    }
    const QString instal = tableFileIn(winrik::instalFolder(plan.root), winrik::instalTable);
    if (instal.isEmpty() || !transaction.keepOriginal(instal) ||
        !runOffThread(
            [&] { return addInstalBase(plan.root, plan.baseKey, nbIni, DataTypes::Rik); })) {
        ZV_ERROR() << "Cannot write INSTALL.DBF. (" << archive << ")";
        m_failureReason =
            QStringLiteral("Не удалось записать нормативную базу в таблицу INSTAL: ") +
            nameOf(archive);
        return false;
    }
    return true;
}

bool Installer::mergeRecord(const QString& archive, const Plan& plan,
                            InstallTransaction& transaction)
{
    const QString type = plan.record.type;
    const QString table = tableFileIn(winrik::endingsFolder(plan.root), winrik::endingsTable(type));
    if (table.isEmpty() || !transaction.keepOriginal(table) ||
        !runOffThread([&] { return mergeEndings(plan.root, plan.record, DataTypes::Rik); })) {
        ZV_ERROR() << "Oshibka dobavlenia koncovki v  " << type << "_all.dbf. (" << archive << ")";
        m_failureReason = QStringLiteral("Не удалось добавить концовку в таблицу ") + type +
                          QStringLiteral("_all: ") + nameOf(archive);
        return false;
    }
    return true;
}

} // namespace zv
