// The three actions on the ticked rows: download into the cache, install
// from it, or both in one go. An item that fails says why in its status cell,
// through the rebuild that ends the action, and in one box at the end.
#include "catalogue/downloadtab.h"

#include "catalogue/cataloguetable.h"
#include "catalogue/itemstatus.h"
#include "service/actionstop.h"
#include "service/downloadcache.h"

#include <QCheckBox>
#include <QDebug>
#include <QLabel>
#include <QMessageBox>
#include <QTableWidget>

namespace {
QString reasonFor(const QMap<QString, QString>& reasons, const QString& url)
{
    const QString reason = reasons.value(url);
    return reason.isEmpty() ? QStringLiteral("причина неизвестна") : reason;
}
} // namespace

void DownloadTab::downloadCheckedFile()
{
    if (!m_downloadAndInstallActive)
        m_stop->reset();
    beginAction();
    toggleControls();
    // A combined action starts here too: the reasons of the previous action
    // are no longer news.
    m_failureReasons.clear();
    m_actionFailures.clear();
    // Hidden rows count too: the user ticked them before switching category.
    for (int row = 0; row < m_table->rowCount() && !m_stop->isRequested(); ++row) {
        if (!zv::cells::isTicked(*m_table, row))
            continue;
        m_currentRow = row;
        if (downloadFile()) {
            qDebug() << "dwnld";
            zv::cells::showStatus(*m_table, row, zv::status::waiting, zv::status::doneStyle);
        } else {
            showFailure(row);
        }
    }
    if (m_downloadAndInstallActive)
        return;
    finishAction();
}

void DownloadTab::installCheckedFile()
{
    if (!m_downloadAndInstallActive) {
        m_stop->reset();
        toggleControls();
        m_failureReasons.clear();
        m_actionFailures.clear();
    }
    beginAction();
    for (int row = 0; row < m_table->rowCount() && !m_stop->isRequested(); ++row) {
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
            showFailure(row);
        }
    }
    finishAction();
}

void DownloadTab::downloadAndInstallCheckedFile()
{
    m_stop->reset();
    m_downloadAndInstallActive = true;
    downloadCheckedFile();
    installCheckedFile();
    m_downloadAndInstallActive = false;
}

void DownloadTab::showFailure(int row)
{
    const QString reason = reasonFor(m_failureReasons, zv::cells::urlAt(*m_table, row));
    zv::cells::showStatus(*m_table, row, zv::status::failed, zv::status::failedStyle);
    if (QLabel* label = zv::cells::statusLabel(*m_table, row))
        label->setToolTip(reason);
    const QCheckBox* title = zv::cells::titleBox(*m_table, row);
    m_actionFailures.append(QStringLiteral("«") + (title ? title->text() : QString()) +
                            QStringLiteral("»: ") + reason);
}

void DownloadTab::markFailedRows()
{
    for (int row = 0; row < m_table->rowCount(); ++row) {
        const QString url = zv::cells::urlAt(*m_table, row);
        if (!m_failureReasons.contains(url))
            continue;
        zv::cells::showStatus(*m_table, row, zv::status::failed, zv::status::failedStyle);
        if (QLabel* label = zv::cells::statusLabel(*m_table, row))
            label->setToolTip(reasonFor(m_failureReasons, url));
    }
}

void DownloadTab::finishAction()
{
    uncheckAll();
    toggleControls();
    // The client is ending: no rebuild nor box may hold it up.
    if (endAction())
        return;
    // The rebuild recomputes every status; the failed items keep theirs.
    updateLicList();
    m_failureReasons.clear();
    if (m_actionFailures.isEmpty())
        return;
    const QString text = QStringLiteral("Не удалось выполнить для:\n\n") +
                         m_actionFailures.join(QLatin1Char('\n'));
    m_actionFailures.clear();
    QMessageBox::warning(this, QStringLiteral("Ошибка загрузки или установки"), text);
}
