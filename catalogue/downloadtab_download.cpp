// One row's archive fetched into the download cache, with its progress in
// the row's status cell.
#include "catalogue/downloadtab.h"

#include "catalogue/cataloguecolumns.h"
#include "catalogue/cataloguetable.h"
#include "catalogue/itemstatus.h"
#include "service/actionstop.h"
#include "service/filedownload.h"
#include "service/proxy.h"

#include <QLabel>
#include <QNetworkAccessManager>
#include <QProgressBar>
#include <QTableWidget>

#include <limits>

bool DownloadTab::downloadFile()
{
    const int row = m_currentRow;
    auto* manager = new QNetworkAccessManager(this);
    zv::setNetworkProxy(*manager, zv::storedProxyChoice(), this);

    zv::FileDownload download;
    download.setStop(m_stop);
    connect(&download, &zv::FileDownload::progress, this, &DownloadTab::downloadProgressBar);
    connect(&download, &zv::FileDownload::received, this, [this, row] {
        zv::cells::putStatusWidget(
            *m_table, row, zv::cells::newStatusLabel(zv::status::received, zv::status::doneStyle));
    });
    zv::cells::putStatusWidget(*m_table, row, new QProgressBar);
    const QString url = zv::cells::urlAt(*m_table, row);
    const bool ok = download.run(*manager, url, &m_reply);
    manager->deleteLater();
    if (ok)
        m_failureReasons.remove(url);
    else
        m_failureReasons.insert(url, download.failureReason());
    return ok;
}

void DownloadTab::downloadProgressBar(qint64 bytesRecived, qint64 bytesTotal)
{
    auto* bar = qobject_cast<QProgressBar*>(m_table->cellWidget(m_currentRow, zv::column::Status));
    if (!bar)
        return;
    if (bytesTotal <= 0) {
        // The service did not say how much is coming: a busy bar that
        // counts what has arrived.
        bar->setRange(0, 0);
        bar->setFormat(zv::progressText(bytesRecived, bytesTotal));
        return;
    }
    // A progress bar counts in int; very large archives are counted in
    // coarser steps rather than wrapping round.
    qint64 received = bytesRecived;
    qint64 total = bytesTotal;
    while (total > std::numeric_limits<int>::max()) {
        total /= 1024;
        received /= 1024;
    }
    bar->setRange(0, int(total));
    bar->setValue(int(received));
    bar->setFormat(zv::progressText(bytesRecived, bytesTotal));
}
