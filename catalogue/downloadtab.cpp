#include "catalogue/downloadtab.h"

#include "catalogue/cataloguecolumns.h"
#include "catalogue/cataloguetable.h"
#include "catalogue/categorytree.h"
#include "service/actionstop.h"
#include "settings/settingkeys.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

DownloadTab::DownloadTab(QWidget* parent)
    : QWidget(parent),
      m_updateButton(new QPushButton(QStringLiteral("Обновить"), this)),
      m_mainLayout(new QGridLayout(this)),
      m_buttonLayout(new QGridLayout),
      m_downloadButton(new QPushButton(QStringLiteral("Скачать данные"), this)),
      m_installButton(new QPushButton(QStringLiteral("Установить данные"), this)),
      m_downloadAndInstallButton(new QPushButton(QStringLiteral("Скачать и установить данные"), this)),
      m_stopButton(new QPushButton(QStringLiteral("Прервать"), this)),
      m_stop(new zv::ActionStop(this)),
      m_table(new QTableWidget(this)),
      m_tree(new QTreeWidget(this)),
      m_busyIndicator(new QProgressBar(this))
{
    m_useRik = m_settings.value(zv::keys::generalUseRik).toBool();
    m_useGrand = m_settings.value(zv::keys::generalUseGrand).toBool();

    m_updateButton->setObjectName(QStringLiteral("updateButton"));
    m_downloadButton->setObjectName(QStringLiteral("downloadButton"));
    m_installButton->setObjectName(QStringLiteral("installButton"));
    m_downloadAndInstallButton->setObjectName(QStringLiteral("downloadAndInstallButton"));
    m_stopButton->setObjectName(QStringLiteral("stopButton"));
    m_stopButton->setEnabled(false);
    m_table->setObjectName(QStringLiteral("table"));
    m_tree->setObjectName(QStringLiteral("tree"));
    m_busyIndicator->setObjectName(QStringLiteral("busyIndicator"));

    createView();
    setSubscriptionInfo();
    createTree();
}

DownloadTab::~DownloadTab() = default;

void DownloadTab::createView()
{
    m_buttonLayout->addWidget(m_updateButton, 0, 0, 2, 3, Qt::AlignCenter);
    m_buttonLayout->addWidget(new QLabel(QStringLiteral("|\n|\n|"), this), 0, 3, 2, 1);
    m_buttonLayout->addWidget(m_downloadAndInstallButton, 0, 4, 2, 1, Qt::AlignCenter);
    m_buttonLayout->addWidget(m_downloadButton, 0, 5);
    m_buttonLayout->addWidget(m_installButton, 1, 5);
    // Runs to and fro, without a figure, while the catalogue is being built.
    m_busyIndicator->setRange(0, 0);
    m_busyIndicator->setTextVisible(false);
    m_busyIndicator->setMaximumWidth(120);
    m_busyIndicator->hide();
    m_buttonLayout->addWidget(m_busyIndicator, 0, 6, 2, 1, Qt::AlignCenter);
    m_buttonLayout->addWidget(m_stopButton, 0, 7, 2, 1, Qt::AlignCenter);
    m_buttonLayout->setColumnStretch(8, 1);

    auto* leftColumn = new QVBoxLayout;
    leftColumn->addWidget(new QLabel(QStringLiteral("Данные"), this));
    m_tree->setFixedWidth(200);
    leftColumn->addWidget(m_tree);

    auto* rightColumn = new QVBoxLayout;
    rightColumn->addWidget(new QLabel(QStringLiteral("Управление данными"), this));
    m_table->setColumnCount(zv::column::Count);
    m_table->setHorizontalHeaderLabels(zv::column::headers());
    m_table->setColumnWidth(zv::column::Title, zv::column::titleWidth);
    m_table->setColumnWidth(zv::column::Status, zv::column::statusWidth);
    for (int column = zv::column::Id; column < zv::column::Count; ++column)
        m_table->setColumnHidden(column, true);
    m_table->horizontalHeaderItem(zv::column::Title)->setIcon(QIcon(zv::column::checkOffIcon));
    m_table->verticalHeader()->setVisible(false);
    m_table->setShowGrid(false);
    rightColumn->addWidget(m_table);

    m_mainLayout->addLayout(m_buttonLayout, 0, 0, 1, 2);
    m_mainLayout->addLayout(leftColumn, 1, 0);
    m_mainLayout->addLayout(rightColumn, 1, 1);

    connect(m_updateButton, &QPushButton::clicked, this, &DownloadTab::updateLicList);
    connect(m_table->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &DownloadTab::allChecked);
    connect(m_downloadAndInstallButton, &QPushButton::clicked, this,
            &DownloadTab::downloadAndInstallCheckedFile);
    connect(m_downloadButton, &QPushButton::clicked, this, &DownloadTab::downloadCheckedFile);
    connect(m_installButton, &QPushButton::clicked, this, &DownloadTab::installCheckedFile);
    connect(m_stopButton, &QPushButton::clicked, this, &DownloadTab::stopAction);
}

void DownloadTab::createTree()
{
    m_tree->setColumnCount(1);
    m_tree->setHeaderLabel(QStringLiteral("Мои файлы"));
    m_tree->setHeaderHidden(true);
    m_categoryNodes = zv::category::populate(*m_tree, m_useRik, m_useGrand);
    m_myFilesNode = m_categoryNodes.value(zv::category::rootKey);
    connect(m_tree, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item, int) { setDataTabHidden(item); });
}

void DownloadTab::setDataTabHidden(QTreeWidgetItem* item)
{
    const QString key = zv::category::keyOf(item);
    const bool onlyNew = m_settings.value(zv::keys::generalOnlyNew).toBool();
    for (int row = 0; row < m_table->rowCount(); ++row) {
        const QString itemClass = zv::cells::classAt(*m_table, row);
        if (!zv::category::rowBelongsTo(key, itemClass))
            m_table->setRowHidden(row, true);
        else
            m_table->setRowHidden(row, onlyNew && !zv::cells::isNewAt(*m_table, row));
    }
}

void DownloadTab::allChecked(int col)
{
    if (col != zv::column::Title)
        return;
    m_checkAllState = !m_checkAllState;
    m_table->horizontalHeaderItem(zv::column::Title)
        ->setIcon(QIcon(m_checkAllState ? zv::column::checkOnIcon : zv::column::checkOffIcon));
    for (int row = 0; row < m_table->rowCount(); ++row) {
        if (!m_table->isRowHidden(row))
            zv::cells::setTicked(*m_table, row, m_checkAllState);
    }
}

void DownloadTab::toggleControls()
{
    for (QWidget* control : {static_cast<QWidget*>(m_table), static_cast<QWidget*>(m_updateButton),
                             static_cast<QWidget*>(m_downloadButton),
                             static_cast<QWidget*>(m_installButton),
                             static_cast<QWidget*>(m_downloadAndInstallButton)})
        // The widget's own flag, not isEnabled(): a disabled parent must not
        // turn a flip into a no-op.
        control->setEnabled(control->testAttribute(Qt::WA_ForceDisabled));
}

void DownloadTab::uncheckAll()
{
    for (int row = 0; row < m_table->rowCount(); ++row) {
        if (zv::cells::isTicked(*m_table, row))
            zv::cells::setTicked(*m_table, row, false);
    }
}
