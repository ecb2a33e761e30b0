// One archive from the download cache installed into its program's folder,
// with 7-Zip's progress in the row's status cell.
#include "catalogue/downloadtab.h"

#include "catalogue/cataloguetable.h"
#include "install/installer.h"
#include "service/actionstop.h"
#include "settings/settingkeys.h"

#include <QPointer>
#include <QProgressBar>
#include <QTableWidget>

bool DownloadTab::installFile(const QString& archive, const QString& itemClass)
{
    zv::Installer installer(m_settings.value(zv::keys::rikPath).toString(),
                            m_settings.value(zv::keys::grandPath).toString());
    installer.setInstalledBases(m_installedBases);
    installer.setOfferedEndings(m_offeredEndings);
    installer.setNbIniPaths(m_nbIniPaths);
    installer.setStopRequested([this] { return m_stop->isRequested(); });
    const QString url = zv::cells::urlAt(*m_table, m_currentRow);
    // The table may be rebuilt while 7-Zip runs in the nested event loop;
    // the bar is then gone with its row.
    QPointer<QProgressBar> bar = new QProgressBar;
    bar->setRange(0, 100);
    zv::cells::putStatusWidget(*m_table, m_currentRow, bar);
    installer.setProgress([bar](int percent) {
        if (bar)
            bar->setValue(percent);
    });
    const bool installed = installer.installFile(archive, itemClass);
    m_nbIniPaths = installer.nbIniPaths();
    if (installed)
        m_failureReasons.remove(url);
    else
        m_failureReasons.insert(url, installer.failureReason());
    return installed;
}
