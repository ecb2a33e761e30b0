// One archive from the download cache installed into its program's folder.
#include "catalogue/downloadtab.h"

#include "catalogue/cataloguetable.h"
#include "install/installer.h"
#include "settings/settingkeys.h"

bool DownloadTab::installFile(const QString& archive, const QString& itemClass)
{
    zv::Installer installer(m_settings.value(zv::keys::rikPath).toString(),
                            m_settings.value(zv::keys::grandPath).toString());
    installer.setInstalledBases(m_installedBases);
    installer.setOfferedEndings(m_offeredEndings);
    installer.setNbIniPaths(m_nbIniPaths);
    const bool installed = installer.installFile(archive, itemClass);
    m_nbIniPaths = installer.nbIniPaths();
    const QString url = zv::cells::urlAt(*m_table, m_currentRow);
    if (installed)
        m_failureReasons.remove(url);
    else
        m_failureReasons.insert(url, installer.failureReason());
    return installed;
}
