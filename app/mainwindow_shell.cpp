// The window's tabs, the tray icon with its menu, and the restart.
#include "app/mainwindow.h"

#include "app/restarthandover.h"
#include "app/trayicon.h"
#include "catalogue/downloadtab.h"
#include "service/logging.h"
#include "settings/hometab.h"
#include "settings/settingkeys.h"

#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QFileInfo>
#include <QIcon>
#include <QMenu>
#include <QProcess>
#include <QStatusBar>
#include <QTabWidget>

namespace {
enum TabIndex
{
    SettingsTab = 0,
    DownloadsTab = 1
};
}

void MainWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    // A minimised client leaves the task bar and lives in the tray alone.
    if (event->type() == QEvent::WindowStateChange && isMinimized())
        hide();
}

void MainWindow::trayIconActivated(QSystemTrayIcon::ActivationReason reason)
{
    if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
        trayActionExecute();
}

void MainWindow::trayActionExecute()
{
    showNormal();
    raise();
    activateWindow();
}

void MainWindow::setTrayIconActions()
{
    m_minimizeAction = new QAction(QStringLiteral("Свернуть"), this);
    m_restoreAction = new QAction(QStringLiteral("Восстановить"), this);
    m_quitAction = new QAction(QStringLiteral("Выход"), this);
    connect(m_minimizeAction, &QAction::triggered, this, &QWidget::hide);
    connect(m_restoreAction, &QAction::triggered, this, &QWidget::showNormal);
    connect(m_quitAction, &QAction::triggered, qApp, &QCoreApplication::quit);

    m_trayMenu = new QMenu(this);
    m_trayMenu->addAction(m_minimizeAction);
    m_trayMenu->addAction(m_restoreAction);
    m_trayMenu->addAction(m_quitAction);
}

void MainWindow::showTrayIcon()
{
    auto* icon = new QSystemTrayIcon(this);
    icon->setIcon(QIcon(QString::fromLatin1(zv::normalIconPath)));
    icon->setContextMenu(m_trayMenu);
    connect(icon, &QSystemTrayIcon::activated, this, &MainWindow::trayIconActivated);
    icon->show();
    zv::setTrayIcon(icon);
}

void MainWindow::createTabs(bool dateOk)
{
    m_statusBar = new QStatusBar(this);
    m_mainTabs = new QTabWidget(this);

    m_homeTab = new HomeTab(this);
    m_mainTabs->addTab(m_homeTab, QIcon(QString::fromLatin1(zv::normalIconPath)), QString());
    // Every change of the main tab also refreshes the cache size shown on the
    // general page.
    connect(m_mainTabs, &QTabWidget::currentChanged, m_homeTab->innerTabs(),
            &QTabWidget::currentChanged);
    connect(m_homeTab, &HomeTab::saveSet, this, &MainWindow::restartApp);

    const bool estimateProgramUsed = m_settings.value(zv::keys::generalUseRik).toBool() ||
                                     m_settings.value(zv::keys::generalUseGrand).toBool();
    if (dateOk && estimateProgramUsed) {
        m_downloadTab = new DownloadTab(this);
        m_mainTabs->addTab(m_downloadTab, QStringLiteral("Загрузки"));
        connect(m_downloadTab, &DownloadTab::trayIconImageChanged, this, [](const QString& path) {
            if (QSystemTrayIcon* icon = zv::trayIcon())
                icon->setIcon(QIcon(path));
        });
        connect(m_mainTabs, &QTabWidget::currentChanged, this, &MainWindow::hideOrShowStatusBar);
        // Shows the status bar and builds the catalogue for the first time.
        m_mainTabs->setCurrentWidget(m_downloadTab);
    }
    if (m_mainTabs->currentIndex() == SettingsTab)
        emit m_mainTabs->currentChanged(SettingsTab);

    setCentralWidget(m_mainTabs);
    setStatusBar(m_statusBar);
}

void MainWindow::hideOrShowStatusBar(int index)
{
    if (index == SettingsTab) {
        m_statusBar->hide();
    } else if (index == DownloadsTab) {
        m_statusBar->show();
        // Rebuilt, with its queries, every time the user comes back to it.
        m_downloadTab->updateLicList();
    }
}

void MainWindow::restartApp()
{
    const QString program = QCoreApplication::applicationFilePath();
    // The new copy waits for this one to end before it looks for a running
    // client, or it would find this one and refuse itself.
    const QStringList arguments = zv::restartArguments(QCoreApplication::applicationPid());
    if (!QProcess::startDetached(program, arguments, QFileInfo(program).absolutePath())) {
        // Closing now would leave the user with no client at all.
        ZV_ERROR() << "restartApp: the new copy " << program << " could not be started";
        return;
    }
    close();
}
