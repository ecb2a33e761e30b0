#include "install/installedstate.h"

#include "install/indexpaths.h"
#include "install/installedstatebasefiles.h"
#include "install/winrikfolder.h"
#include "service/logging.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>

namespace zv {

bool isNewIndexSet(const QString& rikFolder, const QString& grandFolder, const QString& nb,
                   const QString& dir, int year, int kv, const QDateTime& lastChange,
                   DataTypes type)
{
    const QString key = nb.toLower();
    switch (type) {
    case DataTypes::Grand:
        return !QFileInfo(grandIndexFolderPath(grandFolder, dir, year, kv)).isDir();
    case DataTypes::Rik: {
        const QFileInfo file(rikIndexFilePath(rikFolder, key, dir, year, kv));
        if (!file.exists())
            return true;
        return file.lastModified() < lastChange;
    }
    }
    return true;
}

InstalledBaseList installedBaseList(const QString& rikFolder, DataTypes type)
{
    InstalledBaseList list;
    if (type != DataTypes::Rik)
        return list;
    DbfDataSource source = winrik::instalSource(rikFolder);
    if (!source.open()) {
        logOpenFailure(source);
        list.accessFailed = true;
        list.warningTitle = QStringLiteral("Ошибка доступа");
        list.warningText = source.lastError() + QLatin1Char('(') +
                           QDir::toNativeSeparators(source.folder()) +
                           QStringLiteral("), список нормативных не обновлен!");
        return list;
    }
    const auto rows = source.select(winrik::instalTable, QStringLiteral("VID"), QStringLiteral("b"));
    if (!rows) {
        ZV_ERROR() << "getInstalledBazeList: " << source.lastError();
        return list;
    }
    for (const DbfRecord& row : *rows) {
        NORMBASE base;
        base.baz = row.text(QStringLiteral("BAZ_")).toLower();
        base.naim = row.text(QStringLiteral("NAIM"));
        base.dir = row.text(QStringLiteral("DIR"));
        base.nrspDate = dealerNrspDate(base, rikFolder);
        base.version = nbIniVersion(baseFolderOnDisk(base.dir, rikFolder));
        list.bases.insert(base.baz, base);
    }
    return list;
}

} // namespace zv
