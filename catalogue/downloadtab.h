#pragma once

#include "install/datatypes.h"
#include "install/winrikrecords.h"

#include <QDateTime>
#include <QMap>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVector>
#include <QWidget>

class QGridLayout;
class QHBoxLayout;
class QNetworkReply;
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

signals:
    // The tray icon belongs to the main window; the catalogue only decides
    // which image it shows after each build.
    void trayIconImageChanged(const QString& iconPath);

public slots:
    void updateLicList();

private slots:
    void setDataTabHidden(QTreeWidgetItem* item);
    void addUserUpdateRik(int key);
    void addVersionUpdateRik();
    bool isNew(const QString& nb, const QString& dir, int year, int kv, const QDateTime& lastChange,
               DataTypes type = DataTypes::Rik);
    bool isNew(const QString& nb, DataTypes type = DataTypes::Rik);
    bool isNew(const zv::VAR& var, DataTypes type = DataTypes::Rik);
    bool isNewVersion(const QMap<QString, float>& installed, const QMap<QString, float>& current);
    bool isNewUser();
    QMap<QString, zv::NORMBASE> getInstalledBazeList(DataTypes type = DataTypes::Rik);
    void allChecked(int col);
    void downloadCheckedFile();
    void installCheckedFile();
    void downloadAndInstallCheckedFile();
    void downloadProgressBar(qint64 bytesRecived, qint64 bytesTotal);

private:
    void createView();
    void createTree();
    void clearTable();
    void toggleControls();
    void uncheckAll();

    // Account and version questions to the service.
    void setSubscriptionInfo();
    void setSubscriptionInfoGrand(QHBoxLayout& panel);
    float getCurrentVersionNB(const QString& nb);
    QMap<QString, float> getCurVersion(const QString& product);

    // The catalogue build and its queries, in the order they run.
    void buildCatalogue();
    void addClientUpdate();
    void getLicIndRik();
    void getLicIndGrand();
    void getLicNB();
    bool isNewNrsp(const QString& nb, const QDateTime& serverDate) const;
    void getVar();

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
    QPushButton* m_downloadButton = nullptr;
    QPushButton* m_installButton = nullptr;
    QPushButton* m_downloadAndInstallButton = nullptr;
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

    // Guards against a rebuild emptying the table beneath a build or an
    // action that waits for the service in a nested event loop.
    bool m_buildRunning = false;
    bool m_actionRunning = false;
    bool m_rebuildPending = false;
};
