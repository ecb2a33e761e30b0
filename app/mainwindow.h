#pragma once

#include <QDate>
#include <QDateTime>
#include <QMainWindow>
#include <QSettings>
#include <QSystemTrayIcon>

#include <functional>

class DownloadTab;
class HomeTab;
class QAction;
class QCloseEvent;
class QMenu;
class QStatusBar;
class QTabWidget;
class QTimer;

// The client's only top-level window. Its constructor runs the start-up
// checks (a second copy, a running WinRIK, the computer's date) and ends the
// process when start-up is refused; otherwise it leaves a fully built, hidden
// window with the tray icon shown.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // The service's calendar date; invalid when the service could not be
    // reached (the user is told) or its answer held no readable date.
    QDate getServerDate();

    QTabWidget* mainTabs() const { return m_mainTabs; }
    HomeTab* homeTab() const { return m_homeTab; }
    DownloadTab* downloadTab() const { return m_downloadTab; }

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

public slots:
    void trayIconActivated(QSystemTrayIcon::ActivationReason reason);
    void trayActionExecute();
    void setTrayIconActions();
    void showTrayIcon();
    void hideOrShowStatusBar(int index);
    void restartApp();
    // Rebuilds the catalogue when the automatic check is due at now and
    // nothing else is under way; tells the user through the tray when it
    // finds new items.
    void runDueUpdateCheck(const QDateTime& now);
    // "Выход" in the tray.
    void quitApp();

private:
    void refuseStartup(const QString& text);
    void setDefaultSettings();
    // The settings tab, the status bar and the tab frame: all that needs no
    // service.
    void createTabs();
    // The tab "Загрузки", when the date check passed and an estimate program
    // is in use; it builds the catalogue at once.
    void addDownloadTab(bool dateOk);
    // Shown at its layouts' size within the screen, before any question to
    // the service, with the status bar and the tray telling what it waits for.
    void showAtStart();
    void startupChecked();
    // Grows the window to what its layouts ask for, within the screen.
    void fitToScreen();
    void openSupportLogFolder();
    void announceUpdates(int count);
    // True when an action runs: it is told to stop, and `then` runs once it
    // has ended.
    bool stopActionFirst(std::function<void()> then);
    void continueAfterAction();

    QSettings m_settings;
    HomeTab* m_homeTab = nullptr;
    DownloadTab* m_downloadTab = nullptr;
    QStatusBar* m_statusBar = nullptr;
    QTabWidget* m_mainTabs = nullptr;
    QMenu* m_trayMenu = nullptr;
    QAction* m_minimizeAction = nullptr;
    QAction* m_restoreAction = nullptr;
    QAction* m_quitAction = nullptr;
    QAction* m_openLogAction = nullptr;
    QTimer* m_updateCheckTimer = nullptr;
    // Read once: a change on the general page takes effect after the restart
    // that saving it does.
    int m_checkUpdateNumber = 0;
    QString m_hoursOrDay;
    QDateTime m_startedAt = QDateTime::currentDateTime();
    std::function<void()> m_afterAction;
};
