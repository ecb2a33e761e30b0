// One archive from the download cache installed into its program's folder,
// with 7-Zip's progress in the row's status cell.
#include "catalogue/downloadtab.h"

#include "catalogue/cataloguetable.h"
#include "install/installer.h"
#include "service/actionstop.h"
#include "service/downloadcache.h"
#include "service/logging.h"
#include "settings/settingkeys.h"

#include <QFile>
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
    zv::cells::putProgressBar(*m_table, m_currentRow, bar);
    installer.setProgress([this, bar](int percent) {
        if (bar)
            bar->setValue(percent);
        tellProgress(QStringLiteral("Установка"), QString::number(percent) + QLatin1Char('%'));
    });
    const bool installed = installer.installFile(archive, itemClass);
    m_nbIniPaths = installer.nbIniPaths();
    if (installed) {
        m_failureReasons.remove(url);
        return true;
    }
    QString reason = installer.failureReason();
    // Trying the same damaged file again would fail the same way: it goes,
    // and the row offers the download again.
    if (installer.archiveDamaged() && zv::isTrustedCacheFile(archive) && QFile::remove(archive)) {
        ZV_INFO() << "installFile: the damaged archive was removed from the cache: " << archive;
        reason += QStringLiteral(". Файл удалён из папки загрузок: скачайте его заново "
                                 "(«Скачать и установить данные»)");
    }
    m_failureReasons.insert(url, reason);
    return false;
}
