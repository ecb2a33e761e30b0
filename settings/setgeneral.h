#pragma once

#include "settings/generalvalues.h"

#include <QSettings>
#include <QStringList>
#include <QWidget>

#include <optional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The general settings page: autostart, the catalogue filter, the update
// interval, the download cache, and the keys and folders of WinRIK and
// Гранд-Смета. Saving writes the store and asks for a restart through
// saveSet(); cancelling reloads what is stored.
class SetGeneral : public QWidget
{
    Q_OBJECT
public:
    explicit SetGeneral(QWidget* parent = nullptr);

    // The controls as they stand, saved or not.
    zv::GeneralValues shownValues() const;
    // Where "Найти" searches; the fixed drives unless set (tests use folders
    // of their own).
    void setRikSearchRoots(const QStringList& roots) { m_rikSearchRoots = roots; }

signals:
    void saveSet();

public slots:
    void updateCacheSize(int index = 0);
    bool clearCacheFolder();
    void switchRikBox();
    void switchGrandBox();
    void saveSetting();
    void instProgramSet();
    void openRikDirDialog();
    void openGrandDirDialog();
    void openRikFindDirDialog();
    void setRikDirPath(QString path);

private:
    QGroupBox* buildCommonGroup();
    QGroupBox* buildRikGroup();
    QGroupBox* buildGrandGroup();
    QString chooseFolder(const QString& startFolder);
    static void setGroupEnabled(QGroupBox* group, const QList<QWidget*>& widgets, bool enabled);

    QSettings m_settings;
    std::optional<QStringList> m_rikSearchRoots;

    QCheckBox* m_autostart = nullptr;
    QCheckBox* m_onlyNew = nullptr;
    QLineEdit* m_checkUpdateNumber = nullptr;
    QRadioButton* m_hours = nullptr;
    QRadioButton* m_days = nullptr;
    QLabel* m_cachePath = nullptr;
    QLabel* m_cacheSize = nullptr;
    QPushButton* m_clearCache = nullptr;

    QCheckBox* m_useRik = nullptr;
    QGroupBox* m_rikGroup = nullptr;
    QLineEdit* m_rikKey = nullptr;
    QLineEdit* m_rikPath = nullptr;
    QPushButton* m_rikChoose = nullptr;
    QPushButton* m_rikFind = nullptr;
    QList<QWidget*> m_rikWidgets;

    QCheckBox* m_useGrand = nullptr;
    QGroupBox* m_grandGroup = nullptr;
    QLineEdit* m_grandKeySerial = nullptr;
    QLineEdit* m_grandKeyNumber = nullptr;
    QLineEdit* m_grandPath = nullptr;
    QPushButton* m_grandChoose = nullptr;
    QList<QWidget*> m_grandWidgets;

    QPushButton* m_save = nullptr;
    QPushButton* m_cancel = nullptr;
};
