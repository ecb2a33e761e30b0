#include "app/mainwindow.h"

#include "app/defaultsettings.h"
#include "app/serverdate.h"
#include "install/installtransaction.h"
#include "install/processcheck.h"
#include "service/logging.h"
#include "service/proxy.h"
#include "service/serviceexchange.h"
#include "service/statements.h"
#include "settings/autostart.h"
#include "settings/settingkeys.h"

#include <QMessageBox>
#include <QNetworkAccessManager>

#include <cstdlib>

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent)
{
    if (zv::probeProcess(zv::clientImageName))
        refuseStartup(QStringLiteral("Приложение уже запущено."));
    if (zv::probeProcess(zv::winrikImageName))
        refuseStartup(QStringLiteral("Перед установкой обновления, закройте программу WinRIK и "
                                     "запустите заново."));
    // Before anything reads the folders: an installation a crash cut short
    // is undone, so WinRIK and the catalogue see the data as it was.
    for (const QString& key : {zv::keys::rikPath, zv::keys::grandPath}) {
        const QString folder = m_settings.value(key).toString();
        if (!zv::restoreInterruptedInstall(folder))
            QMessageBox::critical(this, zv::interruptedInstallTitle,
                                  zv::interruptedInstallMessage(folder));
    }

    // The window and the tray icon come first: the service may take its
    // time, and a client that shows nothing meanwhile looks as if it had
    // not started.
    setTrayIconActions();
    showTrayIcon();
    if (zv::isFirstRun(m_settings))
        setDefaultSettings();
    else
        zv::restoreAutostartEntry(m_settings.value(zv::keys::generalAutostart).toBool());
    createTabs();
    showAtStart();

    const bool dateOk = zv::datesAgree(getServerDate(), QDate::currentDate());
    if (!dateOk)
        QMessageBox::critical(
            this, QStringLiteral("Ошибка настроек даты"),
            QStringLiteral("Проверьте правильность установки даты и времени на ПК."));
    addDownloadTab(dateOk);
    startupChecked();
}

MainWindow::~MainWindow() = default;

// Nothing has been written yet and no event loop runs, so the process can end
// right here once the user has read why.
void MainWindow::refuseStartup(const QString& text)
{
    ZV_INFO() << "MainWindow: " << text;
    QMessageBox::critical(this, QStringLiteral("Ошибка запуска"), text);
    std::exit(0);
}

void MainWindow::setDefaultSettings()
{
    zv::writeDefaultSettings(m_settings);
}

QDate MainWindow::getServerDate()
{
    // The one query that goes through the proxy choice: it runs before the
    // user could have reached any other page.
    auto* manager = new QNetworkAccessManager(this);
    zv::setNetworkProxy(*manager, zv::storedProxyChoice(), this);
    const zv::ExchangeResult result = zv::postStatement(*manager, zv::statements::serverDate());
    manager->deleteLater();
    if (!result.ok) {
        ZV_ERROR() << result.errorText;
        QMessageBox::critical(this, QStringLiteral("Ошибка подключения"),
                              QStringLiteral("Проверьте подключение к интернету."));
        return QDate();
    }
    return zv::serverDateFromAnswer(result.body);
}
