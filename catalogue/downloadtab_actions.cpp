// The three actions on the ticked rows: download into the cache, install
// from it, or both in one go.
#include "catalogue/downloadtab.h"

#include "catalogue/cataloguetable.h"
#include "catalogue/itemstatus.h"
#include "service/downloadcache.h"

#include <QDebug>
#include <QTableWidget>

void DownloadTab::downloadCheckedFile()
{
    m_actionRunning = true;
    toggleControls();
    // Hidden rows count too: the user ticked them before switching category.
    for (int row = 0; row < m_table->rowCount(); ++row) {
        if (!zv::cells::isTicked(*m_table, row))
            continue;
        m_currentRow = row;
        if (downloadFile()) {
            qDebug() << "dwnld";
            zv::cells::showStatus(*m_table, row, zv::status::waiting, zv::status::doneStyle);
        } else {
            zv::cells::showStatus(*m_table, row, zv::status::failed, zv::status::failedStyle);
        }
    }
    if (m_downloadAndInstallActive)
        return;
    uncheckAll();
    toggleControls();
    m_actionRunning = false;
    updateLicList();
}

void DownloadTab::installCheckedFile()
{
    if (!m_downloadAndInstallActive)
        toggleControls();
    m_actionRunning = true;
    for (int row = 0; row < m_table->rowCount(); ++row) {
        // Only what waits in the cache is installed; a row whose download
        // just failed reads "Ошибка" and is left alone.
        if (!zv::cells::isTicked(*m_table, row) ||
            zv::cells::statusText(*m_table, row) != zv::status::waiting)
            continue;
        m_currentRow = row;
        const QString archive = zv::cachePathOf(zv::cells::urlAt(*m_table, row));
        if (installFile(archive, zv::cells::classAt(*m_table, row))) {
            zv::cells::showStatus(*m_table, row, zv::status::installed, zv::status::doneStyle);
            qDebug() << "Installed succeful completed";
        } else {
            zv::cells::showStatus(*m_table, row, zv::status::failed, zv::status::failedStyle);
        }
    }
    uncheckAll();
    toggleControls();
    m_actionRunning = false;
    updateLicList();
}

void DownloadTab::downloadAndInstallCheckedFile()
{
    m_downloadAndInstallActive = true;
    downloadCheckedFile();
    installCheckedFile();
    m_downloadAndInstallActive = false;
}
