// The three actions on the ticked rows: download into the cache, install
// from it, or both in one go. An item that fails says why in its status cell,
// through the rebuild that ends the action, and in one box at the end; an
// item the user stopped reads "Прервано" and asks for no box.
#include "catalogue/downloadtab.h"

#include "catalogue/cataloguetable.h"
#include "catalogue/itemstatus.h"
#include "service/actionstop.h"
#include "service/downloadcache.h"

#include <QDebug>
#include <QMessageBox>
#include <QTableWidget>

namespace {
QString reasonFor(const QMap<QString, QString>& reasons, const QString& url)
{
    const QString reason = reasons.value(url);
    return reason.isEmpty() ? QStringLiteral("причина неизвестна") : reason;
}

int countRows(const QTableWidget& table, const std::function<bool(int)>& pick)
{
    int count = 0;
    for (int row = 0; row < table.rowCount(); ++row)
        count += pick(row) ? 1 : 0;
    return count;
}
} // namespace

void DownloadTab::downloadCheckedFile()
{
    if (!m_downloadAndInstallActive)
        m_stop->reset();
    beginAction();
    // A combined action starts here too: the reasons of the previous action
    // are no longer news.
    m_failureReasons.clear();
    m_actionFailures.clear();
    m_actionIndex = 0;
    m_actionCount = countRows(*m_table, [this](int row) { return zv::cells::isTicked(*m_table, row); });
    // Hidden rows count too: the user ticked them before switching category.
    for (int row = 0; row < m_table->rowCount() && !m_stop->isRequested(); ++row) {
        if (!zv::cells::isTicked(*m_table, row))
            continue;
        m_currentRow = row;
        ++m_actionIndex;
        m_actionTitle = zv::cells::titleAt(*m_table, row);
        tellProgress(QStringLiteral("Загрузка"), QString());
        if (downloadFile()) {
            qDebug() << "dwnld";
            zv::cells::showStatus(*m_table, row, zv::status::waiting, zv::status::doneStyle);
        } else {
            showUnfinished(row);
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
        m_failureReasons.clear();
        m_actionFailures.clear();
    }
    beginAction();
    // Only what waits in the cache is installed; a row whose download just
    // failed reads "Ошибка" and is left alone.
    const auto waiting = [this](int row) {
        return zv::cells::isTicked(*m_table, row) &&
               zv::cells::statusText(*m_table, row) == zv::status::waiting;
    };
    m_actionIndex = 0;
    m_actionCount = countRows(*m_table, waiting);
    for (int row = 0; row < m_table->rowCount() && !m_stop->isRequested(); ++row) {
        if (!waiting(row))
            continue;
        m_currentRow = row;
        ++m_actionIndex;
        m_actionTitle = zv::cells::titleAt(*m_table, row);
        tellProgress(QStringLiteral("Установка"), QString());
        const QString archive = zv::cachePathOf(zv::cells::urlAt(*m_table, row));
        if (installFile(archive, zv::cells::classAt(*m_table, row))) {
            zv::cells::showStatus(*m_table, row, zv::status::installed, zv::status::doneStyle);
            qDebug() << "Installed succeful completed";
        } else {
            showUnfinished(row);
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

void DownloadTab::tellProgress(const QString& what, const QString& detail)
{
    QString text = QStringLiteral("%1 %2 из %3: «%4»")
                       .arg(what)
                       .arg(m_actionIndex)
                       .arg(m_actionCount)
                       .arg(m_actionTitle);
    if (!detail.isEmpty())
        text += QStringLiteral(" — ") + detail;
    emit activityChanged(text);
}

void DownloadTab::showUnfinished(int row)
{
    const QString url = zv::cells::urlAt(*m_table, row);
    if (m_stop->isRequested()) {
        // The user asked for it: no error, and its part stays for next time.
        m_failureReasons.remove(url);
        zv::cells::showStatus(*m_table, row, zv::status::stopped, zv::status::neutralStyle);
        return;
    }
    const QString reason = reasonFor(m_failureReasons, url);
    zv::cells::showStatus(*m_table, row, zv::status::failed, zv::status::failedStyle, reason);
    m_actionFailures.append(QStringLiteral("«") + zv::cells::titleAt(*m_table, row) +
                            QStringLiteral("»: ") + reason);
}

void DownloadTab::markFailedRows()
{
    for (int row = 0; row < m_table->rowCount(); ++row) {
        const QString url = zv::cells::urlAt(*m_table, row);
        if (m_failureReasons.contains(url))
            zv::cells::showStatus(*m_table, row, zv::status::failed, zv::status::failedStyle,
                                  reasonFor(m_failureReasons, url));
    }
}

void DownloadTab::finishAction()
{
    uncheckAll();
    const bool stopped = m_stop->isRequested();
    // The client is ending: no rebuild nor box may hold it up.
    if (endAction())
        return;
    // The rebuild recomputes every status; the failed items keep theirs.
    updateLicList();
    m_failureReasons.clear();
    emit activityChanged(stopped ? zv::status::stopped : QString());
    if (m_actionFailures.isEmpty())
        return;
    const QString text = QStringLiteral("Не удалось выполнить для:\n\n") +
                         m_actionFailures.join(QLatin1Char('\n'));
    m_actionFailures.clear();
    QMessageBox::warning(this, QStringLiteral("Ошибка загрузки или установки"), text);
}
