#pragma once

#include "catalogue/catalogueanswers.h"
#include "install/datatypes.h"
#include "install/winrikrecords.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QMap>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVector>
#include <QWidget>

#include "service/transfermeter.h"

namespace zv {
class ActionStop;
class InstalledEndings;
}

class WrappingLayout;

class QGridLayout;
class QHBoxLayout;
class QLabel;
class QNetworkReply;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QTreeWidget;
class QTreeWidgetItem;

// The tab "Загрузки": the category tree, the catalogue table of update items
// and the three actions on the ticked items (download into the cache,
// install from it, or both). The catalogue is built by the main window's
// call to updateLicList when the tab becomes current.
class DownloadTab : public QWidget
{
    Q_OBJECT
public:
    explicit DownloadTab(QWidget* parent);
    ~DownloadTab() override;

    QSize sizeHint() const override;

    // Whether a catalogue build or an action on the ticked rows is under way.
    bool isBusy() const { return m_buildRunning || m_actionRunning; }
    // When the last catalogue build ended; invalid before the first.
    QDateTime lastBuildFinished() const { return m_lastBuildFinished; }
    // Rows of the current catalogue whose item is new.
    int newItemCount() const;
    bool hasTickedRows() const;
    // How many answers of the service the last build waited for one after
    // another (an answer that decides which questions come next).
    int lastBuildWaits() const { return m_lastBuildWaits; }

    // The stop of the running download or install ("Прервать", or the
    // client's shutdown); the install side stops 7-Zip on it.
    zv::ActionStop& actionStop() const { return *m_stop; }
    bool isActionRunning() const { return m_actionRunning; }

signals:
    // Emitted at the end of every build.
    void catalogueBuilt(int newItems);
    // A download or install action has ended, stopped or not; a shutdown
    // that waited for it goes on from here.
    void actionEnded();

    // The tray icon belongs to the main window; the catalogue only decides
    // which image it shows after each build.
    void trayIconImageChanged(const QString& iconPath);
    // What the tab is doing, for the window's status bar; empty when idle.
    void activityChanged(const QString& text);

public slots:
    void updateLicList();

private slots:
    void setDataTabHidden(QTreeWidgetItem* item);
    void addUserUpdateRik(int key);
    void addVersionUpdateRik();
    bool isNew(const QString& nb, const QString& dir, int year, int kv, const QDateTime& lastChange,
               DataTypes type = DataTypes::Rik);
    bool isNew(const QString& nb, DataTypes type = DataTypes::Rik);
    bool isNewVersion(const QMap<QString, float>& installed, const QMap<QString, float>& current);
    bool isNewUser();
    QMap<QString, zv::NORMBASE> getInstalledBazeList(DataTypes type = DataTypes::Rik);
    void allChecked(int col);
    void downloadCheckedFile();
    void installCheckedFile();
    void downloadAndInstallCheckedFile();
    void stopAction();
    void downloadProgressBar(qint64 bytesRecived, qint64 bytesTotal);

private:
    void createView();
    QWidget* createBusySign();
    void setUpTable();
    void createTree();
    void clearTable();
    void toggleControls();
    void uncheckAll();
    // After a rebuild, the items of the last action that failed.
    void markFailedRows();
    // A row the running action did not finish: "Прервано" when the user
    // stopped it; otherwise "Ошибка" with its reason as the cell's tooltip,
    // and a line for the box at the end.
    void showUnfinished(int row);
    // Ticks by item across a rebuild: the rows still offered keep them.
    QStringList tickedUrls() const;
    void restoreTicks(const QStringList& urls);
    // "Загрузка 2 из 5: «…»" and what goes after it.
    void tellProgress(const QString& what, const QString& detail);
    // The service could not be reached: said above the table, which keeps
    // the rows it had.
    void showServiceGone(bool gone);
    // A folder whose interrupted installation could not be undone: said
    // above the table; the installer refuses that folder meanwhile.
    void showUnrestoredFolders();
    void finishAction();
    void beginAction();
    // Answers whether the action was stopped because the client is ending.
    bool endAction();

    // Account and version questions to the service.
    void setSubscriptionInfo();
    void setSubscriptionInfoGrand();
    float getCurrentVersionNB(const QString& nb);
    QMap<QString, float> getCurVersion(const QString& product, bool* reachedService = nullptr);

    // The catalogue build and its queries, in the order they run.
    void buildCatalogue();
    void askCatalogueQueries(bool rikInUse);
    QStringList installedOnOffer(const QJsonArray& bases) const;
    void showBuildRunning(bool running);
    void addClientUpdate();
    void getLicIndRik();
    void getLicIndGrand();
    void getLicNB();
    bool isNewNrsp(const QString& nb, const QDateTime& serverDate) const;
    void getVar(zv::InstalledEndings& installed);

    // Installed state read from the local WinRIK folder.
    QMap<QString, float> installedRikVersion() const;
    QMap<QString, float> ownVersion() const;

    // One row's archive into the cache, and out of it into the program.
    bool downloadFile();
    bool installFile(const QString& archive, const QString& itemClass);

    QPushButton* m_updateButton = nullptr;
    QStringList m_nbIniPaths;
    QSettings m_settings;
    QGridLayout* m_mainLayout = nullptr;
    QGridLayout* m_buttonLayout = nullptr;
    WrappingLayout* m_topPanel = nullptr;
    QPushButton* m_downloadButton = nullptr;
    QPushButton* m_installButton = nullptr;
    QPushButton* m_downloadAndInstallButton = nullptr;
    QPushButton* m_stopButton = nullptr;
    zv::ActionStop* m_stop = nullptr;
    QNetworkReply* m_reply = nullptr;
    QTableWidget* m_table = nullptr;
    QMap<QString, zv::NORMBASE> m_installedBases;
    QVector<zv::VAR> m_offeredEndings;
    bool m_checkAllState = false;
    bool m_downloadAndInstallActive = false;
    int m_currentRow = -1;
    QTreeWidget* m_tree = nullptr;
    QTreeWidgetItem* m_myFilesNode = nullptr;
    QMap<QString, QTreeWidgetItem*> m_categoryNodes;
    bool m_useRik = false;
    bool m_useGrand = false;
    // Why each item of the last action failed, by URL; kept across the
    // rebuild that follows the action so the reason stays in sight.
    QMap<QString, QString> m_failureReasons;
    // "«title»: reason" of every item the running action could not handle.
    QStringList m_actionFailures;

    // Guards against a rebuild emptying the table beneath a build or an
    // action that waits for the service in a nested event loop.
    bool m_buildRunning = false;
    bool m_actionRunning = false;
    bool m_rebuildPending = false;

    zv::CatalogueAnswers m_answers;
    QProgressBar* m_busyIndicator = nullptr;
    QWidget* m_busySign = nullptr;
    QLabel* m_notice = nullptr;
    // The running download's sizes, speed and silence.
    zv::TransferMeter m_meter;
    QElapsedTimer m_clock;
    // Which item of how many the running action is at.
    int m_actionIndex = 0;
    int m_actionCount = 0;
    QString m_actionTitle;
    QDateTime m_lastBuildFinished;
    int m_lastBuildWaits = 0;
};
