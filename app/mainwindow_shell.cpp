// The window's tabs, the tray icon with its menu, and the restart.
#include "app/mainwindow.h"

#include "app/restarthandover.h"
#include "app/supportlog.h"
#include "app/updatecheckschedule.h"
#include "app/windowsize.h"
#include "app/trayicon.h"
#include "catalogue/downloadtab.h"
#include "service/logging.h"
#include "service/titledmessagebox.h"
#include "settings/hometab.h"
#include "settings/settingkeys.h"

#include <QAction>
#include <QClipboard>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QEvent>
#include <QGuiApplication>
#include <QFileInfo>
#include <QIcon>
#include <QLayout>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QUrl>

namespace {
enum TabIndex
{
    SettingsTab = 0,
    DownloadsTab = 1
};

// How often the client asks itself whether the automatic check is due.
constexpr int updateCheckTickMs = 60 * 1000;
const QString newItemsIconPath = QStringLiteral(":/zelvinoraPAisNew.ico");
const QString checkingServiceText = QStringLiteral("Проверка связи с сервисом…");
} // namespace

void MainWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    // A minimised client leaves the task bar and lives in the tray alone;
    // without a notification area there would be no way back to it.
    if (event->type() == QEvent::WindowStateChange && isMinimized() &&
        QSystemTrayIcon::isSystemTrayAvailable())
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
    m_openLogAction = new QAction(QStringLiteral("Открыть журнал"), this);
    connect(m_openLogAction, &QAction::triggered, this, &MainWindow::openSupportLogFolder);
    connect(m_minimizeAction, &QAction::triggered, this, &QWidget::hide);
    connect(m_restoreAction, &QAction::triggered, this, &QWidget::showNormal);
    connect(m_quitAction, &QAction::triggered, this, &MainWindow::quitApp);

    m_trayMenu = new QMenu(this);
    m_trayMenu->addAction(m_minimizeAction);
    m_trayMenu->addAction(m_restoreAction);
    m_trayMenu->addAction(m_openLogAction);
    m_trayMenu->addAction(m_quitAction);
}

void MainWindow::showTrayIcon()
{
    auto* icon = new QSystemTrayIcon(this);
    icon->setIcon(QIcon(QString::fromLatin1(zv::normalIconPath)));
    icon->setContextMenu(m_trayMenu);
    connect(icon, &QSystemTrayIcon::activated, this, &MainWindow::trayIconActivated);
    connect(icon, &QSystemTrayIcon::messageClicked, this, [this] {
        trayActionExecute();
        if (m_downloadTab)
            m_mainTabs->setCurrentWidget(m_downloadTab);
    });
    icon->show();
    zv::setTrayIcon(icon);
}

void MainWindow::createTabs()
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

    setCentralWidget(m_mainTabs);
    setStatusBar(m_statusBar);
}

void MainWindow::addDownloadTab(bool dateOk)
{
    const bool estimateProgramUsed = m_settings.value(zv::keys::generalUseRik).toBool() ||
                                     m_settings.value(zv::keys::generalUseGrand).toBool();
    if (dateOk && estimateProgramUsed) {
        m_downloadTab = new DownloadTab(this);
        // An empty text clears the bar.
        connect(m_downloadTab, &DownloadTab::activityChanged, m_statusBar,
                [this](const QString& text) { m_statusBar->showMessage(text); });
        m_mainTabs->addTab(m_downloadTab, QStringLiteral("Загрузки"));
        connect(m_downloadTab, &DownloadTab::trayIconImageChanged, this, [](const QString& path) {
            if (QSystemTrayIcon* icon = zv::trayIcon())
                icon->setIcon(QIcon(path));
        });
        connect(m_downloadTab, &DownloadTab::actionEnded, this, &MainWindow::continueAfterAction);
        connect(m_mainTabs, &QTabWidget::currentChanged, this, &MainWindow::hideOrShowStatusBar);
        // Shows the status bar and builds the catalogue for the first time.
        m_mainTabs->setCurrentWidget(m_downloadTab);
        // Now with its rows: the window grows to show their names, where the
        // screen has the room.
        fitToScreen();

        m_checkUpdateNumber = m_settings.value(zv::keys::generalCheckUpdateNumber).toInt();
        m_hoursOrDay = m_settings.value(zv::keys::generalHoursOrDay).toString();
        m_updateCheckTimer = new QTimer(this);
        m_updateCheckTimer->setInterval(updateCheckTickMs);
        connect(m_updateCheckTimer, &QTimer::timeout, this,
                [this] { runDueUpdateCheck(QDateTime::currentDateTime()); });
        m_updateCheckTimer->start();
    }
    if (m_mainTabs->currentIndex() == SettingsTab)
        emit m_mainTabs->currentChanged(SettingsTab);
}

void MainWindow::showAtStart()
{
    m_statusBar->showMessage(checkingServiceText);
    if (QSystemTrayIcon* icon = zv::trayIcon())
        icon->setToolTip(checkingServiceText);
    fitToScreen();
    move(zv::centredIn(size() + QSize(zv::frameAllowanceWidth, zv::frameAllowanceHeight),
                       screen()->availableGeometry())
             .topLeft());
    show();
}

void MainWindow::startupChecked()
{
    if (m_statusBar->currentMessage() == checkingServiceText)
        m_statusBar->clearMessage();
    if (QSystemTrayIcon* icon = zv::trayIcon())
        icon->setToolTip(QCoreApplication::applicationName());
}

void MainWindow::fitToScreen()
{
    // What the tabs ask for may have changed since the layouts last asked,
    // and the layouts keep their answers until told.
    m_mainTabs->updateGeometry();
    layout()->invalidate();
    const QSize wanted = zv::initialWindowSize(sizeHint(), minimumSizeHint(),
                                               screen()->availableGeometry());
    // Once shown, only ever grown: a window the user has made larger stays so.
    resize(isVisible() ? size().expandedTo(wanted) : wanted);
    const QRect available = screen()->availableGeometry();
    if (isVisible() && !available.contains(frameGeometry()))
        move(zv::centredIn(frameGeometry().size(), available).topLeft());
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
    if (stopActionFirst([this] { restartApp(); }))
        return;
    const QString program = QCoreApplication::applicationFilePath();
    // The new copy waits for this one to end before it looks for a running
    // client, or it would find this one and refuse itself.
    const QStringList arguments = zv::restartArguments(QCoreApplication::applicationPid());
    if (!QProcess::startDetached(program, arguments, QFileInfo(program).absolutePath())) {
        // Closing now would leave the user with no client at all.
        ZV_ERROR() << "restartApp: the new copy " << program << " could not be started";
        QMessageBox::critical(this, QStringLiteral("Ошибка перезапуска"),
                              QStringLiteral("Не удалось перезапустить программу. Настройки "
                                             "сохранены и вступят в силу при следующем запуске."));
        return;
    }
    close();
}

void MainWindow::openSupportLogFolder()
{
    const QString folder = zv::supportLogFolder();
    QDir().mkpath(folder);
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(folder)))
        return;
    // A desktop without a file manager, or without a way to ask one: the user
    // can still reach the file, or read its path out to the dealer's support.
    ZV_ERROR() << "openSupportLogFolder: the folder " << folder << " could not be opened";
    const QString path = QDir::toNativeSeparators(zv::supportLogFilePath());
    QMessageBox box(
        QMessageBox::Information, QStringLiteral("Открыть журнал"),
        QStringLiteral("Не удалось открыть папку журнала. Файл журнала лежит здесь:\n") + path +
            QStringLiteral("\n\nОткройте его вручную или передайте в поддержку дилера."),
        QMessageBox::Ok, this);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    QPushButton* copy = box.addButton(QStringLiteral("Скопировать путь"), QMessageBox::ActionRole);
    zv::fitBoxToTitle(box);
    box.exec();
    if (box.clickedButton() == copy)
        QGuiApplication::clipboard()->setText(path);
}

void MainWindow::runDueUpdateCheck(const QDateTime& now)
{
    // Never beneath a build or an action, and never over rows the user has
    // begun to tick: the rebuild would drop the ticks.
    if (!m_downloadTab || m_downloadTab->isBusy() || m_downloadTab->hasTickedRows())
        return;
    const QDateTime since = m_downloadTab->lastBuildFinished().isValid()
                                ? m_downloadTab->lastBuildFinished()
                                : m_startedAt;
    const QDateTime due = zv::nextUpdateCheck(since, m_checkUpdateNumber, m_hoursOrDay);
    if (!due.isValid() || now < due)
        return;
    ZV_INFO() << "runDueUpdateCheck: the catalogue is checked as scheduled";
    m_downloadTab->updateLicList();
    announceUpdates(m_downloadTab->newItemCount());
}

void MainWindow::announceUpdates(int count)
{
    QSystemTrayIcon* icon = zv::trayIcon();
    if (count < 1 || !icon)
        return;
    const QString text = QStringLiteral("Доступны обновления: ") + QString::number(count);
    ZV_INFO() << "announceUpdates: " << text;
    icon->setIcon(QIcon(newItemsIconPath));
    icon->showMessage(QCoreApplication::applicationName(), text);
}
