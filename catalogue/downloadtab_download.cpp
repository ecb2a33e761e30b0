// One row's archive fetched into the download cache, with its progress in
// the row's status cell and in the window's status bar.
#include "catalogue/downloadtab.h"

#include "catalogue/cataloguetable.h"
#include "catalogue/itemstatus.h"
#include "service/actionstop.h"
#include "service/filedownload.h"
#include "service/partialdownload.h"
#include "service/proxy.h"
#include "service/downloadcache.h"

#include <QNetworkAccessManager>
#include <QProgressBar>
#include <QTableWidget>
#include <QTimer>

bool DownloadTab::downloadFile()
{
    const int row = m_currentRow;
    auto* manager = new QNetworkAccessManager(this);
    zv::setNetworkProxy(*manager, zv::storedProxyChoice(), this);

    const QString url = zv::cells::urlAt(*m_table, row);
    zv::FileDownload download;
    download.setStop(m_stop);
    connect(&download, &zv::FileDownload::progress, this, &DownloadTab::downloadProgressBar);
    connect(&download, &zv::FileDownload::received, this, [this, row] {
        zv::cells::showStatus(*m_table, row, zv::status::received, zv::status::doneStyle);
    });
    auto* bar = new QProgressBar;
    bar->setRange(0, 0);
    zv::cells::putProgressBar(*m_table, row, bar);
    m_clock.start();
    m_meter.begin(zv::PartialDownload(zv::cachePathOf(url)).keptBytes(), 0);
    // Ticks on when no byte comes, so a silent service shows as silent
    // rather than as a figure that stands still.
    QTimer quiet;
    connect(&quiet, &QTimer::timeout, this, [this] { downloadProgressBar(-1, -1); });
    quiet.start(1000);
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
    const qint64 now = m_clock.elapsed();
    // (-1, -1): only the time has moved on.
    if (bytesRecived >= 0)
        m_meter.update(bytesRecived, bytesTotal, now);
    tellProgress(QStringLiteral("Загрузка"), m_meter.text(now));
    QProgressBar* bar = zv::cells::progressBarAt(*m_table, m_currentRow);
    if (!bar)
        return;
    // A bar counts in int: the share, not the bytes. Without a known total
    // it runs to and fro.
    const int percent = m_meter.percent();
    bar->setRange(0, percent < 0 ? 0 : 100);
    bar->setValue(qMax(percent, 0));
    bar->setFormat(m_meter.shortText(now));
}
