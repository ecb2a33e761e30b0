#pragma once

#include "install/datatypes.h"

#include <QDateTime>
#include <QMap>
#include <QSettings>
#include <QString>
#include <QStringList>
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
    bool isNewUser();
    void allChecked(int col);
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

    // One row's archive into the cache.
    bool downloadFile();

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
    bool m_checkAllState = false;
    bool m_downloadAndInstallActive = false;
    int m_currentRow = -1;
    QTreeWidget* m_tree = nullptr;
    QTreeWidgetItem* m_myFilesNode = nullptr;
    QMap<QString, QTreeWidgetItem*> m_categoryNodes;
    bool m_useRik = false;
    bool m_useGrand = false;
};
