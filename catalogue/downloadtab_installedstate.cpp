// The installed-state questions of the catalogue, asked of the local WinRIK
// and Гранд-Смета folders named in the settings.
#include "catalogue/downloadtab.h"

#include "install/installedstate.h"
#include "install/versions.h"
#include "settings/settingkeys.h"

#include <QMessageBox>

bool DownloadTab::isNew(const QString& nb, const QString& dir, int year, int kv,
                        const QDateTime& lastChange, DataTypes type)
{
    return zv::isNewIndexSet(m_settings.value(zv::keys::rikPath).toString(),
                             m_settings.value(zv::keys::grandPath).toString(), nb, dir, year, kv,
                             lastChange, type);
}

bool DownloadTab::isNewVersion(const QMap<QString, float>& installed,
                               const QMap<QString, float>& current)
{
    return zv::isNewVersion(installed, current);
}

QMap<QString, zv::NORMBASE> DownloadTab::getInstalledBazeList(DataTypes type)
{
    const zv::InstalledBaseList list =
        zv::installedBaseList(m_settings.value(zv::keys::rikPath).toString(), type);
    if (list.accessFailed)
        QMessageBox::warning(this, list.warningTitle, list.warningText, QMessageBox::Ok);
    return list.bases;
}

QMap<QString, float> DownloadTab::installedRikVersion() const
{
    return zv::installedRikVersion(m_settings.value(zv::keys::rikPath).toString());
}

QMap<QString, float> DownloadTab::ownVersion() const
{
    return zv::ownVersion();
}
