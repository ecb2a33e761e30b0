#include "settings/setgeneral.h"

#include "service/downloadcache.h"
#include "service/logging.h"
#include "settings/cachesize.h"
#include "settings/fieldwidth.h"
#include "settings/findrikdialog.h"
#include "settings/settingkeys.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

const QString folderDialogTitle = QStringLiteral("Адрес хранения индексов");

// The size and the clearing work on the folder itself, named with its "/".
QString cacheFolderWithSlash()
{
    QString folder = zv::downloadCacheFolder();
    if (!folder.isEmpty() && !folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

} // namespace

SetGeneral::SetGeneral(QWidget* parent) : QWidget(parent)
{
    auto* grid = new QGridLayout;
    grid->addWidget(buildCommonGroup(), 0, 0);
    grid->addItem(new QSpacerItem(0, 10), 1, 0);
    m_useRik = new QCheckBox(QStringLiteral("Использовать ПК РИК"), this);
    grid->addWidget(m_useRik, 2, 0);
    grid->addWidget(buildRikGroup(), 3, 0);
    grid->addItem(new QSpacerItem(0, 10), 4, 0);
    m_useGrand = new QCheckBox(QStringLiteral("Использовать ПК Гранд-Смета"), this);
    grid->addWidget(m_useGrand, 5, 0);
    grid->addWidget(buildGrandGroup(), 6, 0);
    grid->addItem(new QSpacerItem(0, 10), 7, 0);

    auto* buttons = new QHBoxLayout;
    m_save = new QPushButton(QStringLiteral("Сохранить изменения"), this);
    m_cancel = new QPushButton(QStringLiteral("Отменить изменения"), this);
    buttons->addWidget(m_save);
    buttons->addWidget(m_cancel);
    buttons->addStretch();
    grid->addLayout(buttons, 8, 0);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(9, 1);
    setLayout(grid);

    connect(m_useRik, &QCheckBox::clicked, this, &SetGeneral::switchRikBox);
    connect(m_useGrand, &QCheckBox::clicked, this, &SetGeneral::switchGrandBox);
    instProgramSet();
    connect(m_clearCache, &QPushButton::clicked, this, &SetGeneral::clearCacheFolder);
    connect(m_save, &QPushButton::clicked, this, &SetGeneral::saveSetting);
    connect(m_cancel, &QPushButton::clicked, this, &SetGeneral::instProgramSet);
    connect(m_rikChoose, &QPushButton::clicked, this, &SetGeneral::openRikDirDialog);
    connect(m_grandChoose, &QPushButton::clicked, this, &SetGeneral::openGrandDirDialog);
    connect(m_rikFind, &QPushButton::clicked, this, &SetGeneral::openRikFindDirDialog);
}

QGroupBox* SetGeneral::buildCommonGroup()
{
    auto* group = new QGroupBox(QStringLiteral("Общие настройки"), this);
    auto* list = new QVBoxLayout;
    m_autostart = new QCheckBox(QStringLiteral("Автозагрузка  при старте системы"), group);
    m_onlyNew = new QCheckBox(QStringLiteral("Скрывать не требующие обновления файлы"), group);
    list->addWidget(m_autostart);
    list->addWidget(m_onlyNew);

    auto* interval = new QHBoxLayout;
    interval->addWidget(new QLabel(QStringLiteral("Проверка обновлений раз в"), group));
    interval->addStretch();
    m_checkUpdateNumber = new QLineEdit(group);
    m_checkUpdateNumber->setObjectName(QStringLiteral("checkUpdateNumber"));
    zv::fitFieldTo(*m_checkUpdateNumber, QStringLiteral("999"), 40);
    m_checkUpdateNumber->setAlignment(Qt::AlignRight);
    interval->addWidget(m_checkUpdateNumber);
    m_hours = new QRadioButton(QStringLiteral("час"), group);
    m_days = new QRadioButton(QStringLiteral("день"), group);
    auto* units = new QButtonGroup(group);
    units->addButton(m_hours);
    units->addButton(m_days);
    interval->addWidget(m_hours);
    interval->addWidget(m_days);
    list->addLayout(interval);

    m_cachePath =
        new QLabel(QStringLiteral("Путь к папке с кэшем: ") + zv::downloadCacheFolder(), group);

    m_cachePath->setObjectName(QStringLiteral("cachePath"));
    m_cachePath->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_cacheSize = new QLabel(zv::cacheSizeLabelText(0), group);
    m_cacheSize->setObjectName(QStringLiteral("cacheSize"));
    m_clearCache = new QPushButton(QStringLiteral("Очистить кэш"), group);
    list->addWidget(m_cachePath);
    list->addWidget(m_cacheSize);
    list->addWidget(m_clearCache);
    group->setLayout(list);
    return group;
}

QGroupBox* SetGeneral::buildRikGroup()
{
    m_rikGroup = new QGroupBox(QStringLiteral("Настройки для РИК"), this);
    m_rikGroup->setObjectName(QStringLiteral("rikGroup"));
    auto* grid = new QGridLayout;
    auto* keyLabel = new QLabel(QStringLiteral("Номер ключа "), m_rikGroup);
    m_rikKey = new QLineEdit(m_rikGroup);
    m_rikKey->setObjectName(QStringLiteral("rikKey"));
    auto* pathLabel = new QLabel(QStringLiteral("Путь к файлам: "), m_rikGroup);
    m_rikPath = new QLineEdit(m_rikGroup);
    m_rikPath->setObjectName(QStringLiteral("rikPath"));
    zv::widenForPaths(*m_rikPath);
    m_rikChoose = new QPushButton(QStringLiteral("+"), m_rikGroup);
    m_rikChoose->setObjectName(QStringLiteral("rikChoose"));
    m_rikChoose->setMaximumWidth(30);
    m_rikFind = new QPushButton(QStringLiteral("Найти"), m_rikGroup);
    grid->addWidget(keyLabel, 0, 0);
    grid->addWidget(m_rikKey, 0, 1);
    grid->addWidget(pathLabel, 1, 0);
    grid->addWidget(m_rikPath, 1, 1);
    grid->addWidget(m_rikChoose, 1, 2);
    grid->addWidget(m_rikFind, 1, 3);
    m_rikGroup->setLayout(grid);
    m_rikWidgets = {keyLabel, m_rikKey, pathLabel, m_rikPath, m_rikChoose, m_rikFind};
    return m_rikGroup;
}

QGroupBox* SetGeneral::buildGrandGroup()
{
    m_grandGroup = new QGroupBox(QStringLiteral("Настройки для Гранд-Смета"), this);
    m_grandGroup->setObjectName(QStringLiteral("grandGroup"));
    auto* grid = new QGridLayout;
    auto* serialLabel = new QLabel(QStringLiteral("Данные ключа: Серия:"), m_grandGroup);
    m_grandKeySerial = new QLineEdit(m_grandGroup);
    m_grandKeySerial->setObjectName(QStringLiteral("grandKeySerial"));
    m_grandKeySerial->setPlaceholderText(QStringLiteral("12345 xxx"));
    zv::fitFieldTo(*m_grandKeySerial, QStringLiteral("12345 xxxx"), 90);
    auto* numberLabel = new QLabel(QStringLiteral("    Номер: "), m_grandGroup);
    m_grandKeyNumber = new QLineEdit(m_grandGroup);
    m_grandKeyNumber->setObjectName(QStringLiteral("grandKeyNumber"));
    m_grandKeyNumber->setPlaceholderText(QStringLiteral("xxxxx 123"));
    zv::fitFieldTo(*m_grandKeyNumber, QStringLiteral("xxxxx 1234"), 60);
    auto* pathLabel = new QLabel(QStringLiteral("Путь к индексам и ТЦ: "), m_grandGroup);
    m_grandPath = new QLineEdit(m_grandGroup);
    m_grandPath->setObjectName(QStringLiteral("grandPath"));
    zv::widenForPaths(*m_grandPath);
    m_grandChoose = new QPushButton(QStringLiteral("+"), m_grandGroup);
    m_grandChoose->setObjectName(QStringLiteral("grandChoose"));
    m_grandChoose->setMaximumWidth(30);
    grid->addWidget(serialLabel, 0, 0);
    grid->addWidget(m_grandKeySerial, 0, 1);
    grid->addWidget(numberLabel, 0, 2);
    grid->addWidget(m_grandKeyNumber, 0, 3, 1, 2);
    grid->addWidget(pathLabel, 1, 0);
    grid->addWidget(m_grandPath, 1, 1, 1, 3);
    grid->addWidget(m_grandChoose, 1, 4);
    m_grandGroup->setLayout(grid);
    m_grandWidgets = {serialLabel, m_grandKeySerial, numberLabel,  m_grandKeyNumber,
                      pathLabel,   m_grandPath,      m_grandChoose};
    return m_grandGroup;
}

zv::GeneralValues SetGeneral::shownValues() const
{
    zv::GeneralValues values;
    values.autostart = m_autostart->isChecked();
    values.onlyNew = m_onlyNew->isChecked();
    values.checkUpdateNumber = m_checkUpdateNumber->text();
    if (m_hours->isChecked())
        values.hoursOrDay = QStringLiteral("h");
    if (m_days->isChecked())
        values.hoursOrDay = QStringLiteral("d");
    values.useRik = m_useRik->isChecked();
    values.useGrand = m_useGrand->isChecked();
    values.rikKey = m_rikKey->text();
    values.rikPath = m_rikPath->text();
    values.grandKeySerial = m_grandKeySerial->text();
    values.grandKeyNumber = m_grandKeyNumber->text();
    values.grandPath = m_grandPath->text();
    return values;
}

void SetGeneral::updateCacheSize(int index)
{
    if (index != 0)
        return;
    // A planted link or another account's folder is no cache of ours: it
    // neither counts nor is cleared, or clearing would delete what it leads to.
    const QString folder = cacheFolderWithSlash();
    const qint64 size = zv::isTrustedCacheFile(folder) ? zv::folderSize(folder) : 0;
    m_cacheSize->setText(zv::cacheSizeLabelText(size));
}

bool SetGeneral::clearCacheFolder()
{
    const QString folder = cacheFolderWithSlash();
    if (!zv::isTrustedCacheFile(folder)) {
        ZV_ERROR() << "clearCacheFolder: " << folder
                   << " is a symbolic link or belongs to another user, nothing deleted";
        ZV_ERROR() << "Pri ochistke casha vosnikli problemi";
        return false;
    }
    if (!zv::removeFolderTree(folder)) {
        ZV_ERROR() << "Pri ochistke casha vosnikli problemi";
        return false;
    }
    updateCacheSize(0);
    return true;
}

void SetGeneral::setGroupEnabled(QGroupBox* group, const QList<QWidget*>& widgets, bool enabled)
{
    // The box itself stays enabled: only its title shows the state.
    group->setStyleSheet(enabled ? QStringLiteral("QGroupBox { color: black; }")
                                 : QStringLiteral("QGroupBox { color: grey; }"));
    for (QWidget* widget : widgets)
        widget->setEnabled(enabled);
}

void SetGeneral::switchRikBox()
{
    setGroupEnabled(m_rikGroup, m_rikWidgets, m_useRik->isChecked());
}

void SetGeneral::switchGrandBox()
{
    setGroupEnabled(m_grandGroup, m_grandWidgets, m_useGrand->isChecked());
}

void SetGeneral::saveSetting()
{
    zv::saveGeneralValues(m_settings, shownValues());
    emit saveSet();
}

void SetGeneral::instProgramSet()
{
    const zv::GeneralValues values = zv::loadGeneralValues(m_settings);
    m_autostart->setChecked(values.autostart);
    m_onlyNew->setChecked(values.onlyNew);
    m_checkUpdateNumber->setText(values.checkUpdateNumber);
    // Any other stored unit leaves the buttons as they are.
    if (values.hoursOrDay == QLatin1String("h"))
        m_hours->setChecked(true);
    else if (values.hoursOrDay == QLatin1String("d"))
        m_days->setChecked(true);
    m_useRik->setChecked(values.useRik);
    emit m_useRik->clicked(false);
    m_useGrand->setChecked(values.useGrand);
    emit m_useGrand->clicked(false);
    m_rikKey->setText(values.rikKey);
    m_rikPath->setText(values.rikPath);
    m_grandKeySerial->setText(values.grandKeySerial);
    m_grandKeyNumber->setText(values.grandKeyNumber);
    m_grandPath->setText(values.grandPath);
}

QString SetGeneral::chooseFolder(const QString& startFolder)
{
    return QFileDialog::getExistingDirectory(this, folderDialogTitle, startFolder,
                                             QFileDialog::ShowDirsOnly);
}

void SetGeneral::openRikDirDialog()
{
    const QString folder = chooseFolder(m_settings.value(zv::keys::rikPath).toString());
    if (!folder.isEmpty())
        m_rikPath->setText(folder);
}

void SetGeneral::openGrandDirDialog()
{
    const QString folder = chooseFolder(m_settings.value(zv::keys::grandPath).toString());
    if (!folder.isEmpty())
        m_grandPath->setText(folder);
}

void SetGeneral::openRikFindDirDialog()
{
    auto* finder =
        m_rikSearchRoots ? new FindRikDialog(*m_rikSearchRoots, this) : new FindRikDialog(this);
    // Each press builds a new finder; a closed one has no further use.
    finder->setAttribute(Qt::WA_DeleteOnClose);
    connect(finder, &FindRikDialog::rikDir, this, &SetGeneral::setRikDirPath);
    finder->show();
}

void SetGeneral::setRikDirPath(QString path)
{
    m_rikPath->setText(path);
}
