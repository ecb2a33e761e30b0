#include "install/winrikfolder.h"

#include <QDir>

namespace zv::winrik {

QString pathBelow(const QString& rikFolder, const QString& relative)
{
    // WinRIK folders are often written with forward slashes in the settings;
    // the platform's separators are what its file functions and users expect.
    const QString folder = QDir::fromNativeSeparators(rikFolder);
    return QDir::toNativeSeparators(QDir::cleanPath(folder + QLatin1Char('/') + relative));
}

QString instalFolder(const QString& rikFolder)
{
    return pathBelow(rikFolder, QStringLiteral("sm_r"));
}

QString endingsFolder(const QString& rikFolder)
{
    return pathBelow(rikFolder, QStringLiteral("sm_r/var"));
}

QString endingsTable(const QString& type)
{
    return type + QStringLiteral("_all");
}

QString endingsRecordFile(const QString& rikFolder, const QString& type, int number)
{
    return pathBelow(rikFolder, QStringLiteral("sm_r/var/") + type + QLatin1Char('_')
                                    + QString::number(number) + QStringLiteral(".dbf"));
}

DbfDataSource instalSource(const QString& rikFolder)
{
    return DbfDataSource(instalFolder(rikFolder), DeletedRows::Hidden, connectionName);
}

DbfDataSource endingsSource(const QString& rikFolder)
{
    return DbfDataSource(endingsFolder(rikFolder), DeletedRows::Shown, connectionName);
}

} // namespace zv::winrik
