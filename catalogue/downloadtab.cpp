#include "catalogue/downloadtab.h"

#include "catalogue/cataloguecolumns.h"
#include "catalogue/cataloguetable.h"
#include "catalogue/categorytree.h"
#include "catalogue/itemstatus.h"
#include "catalogue/tickdelegate.h"
#include "catalogue/toppanelarea.h"
#include "catalogue/wrappinglayout.h"
#include "service/actionstop.h"
#include "settings/settingkeys.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

DownloadTab::DownloadTab(QWidget* parent)
    : QWidget(parent),
      m_updateButton(new QPushButton(QStringLiteral("Обновить"), this)),
      m_mainLayout(new QGridLayout(this)),
      m_buttonLayout(new QGridLayout),
      m_topPanel(new WrappingLayout),
      m_downloadButton(new QPushButton(QStringLiteral("Скачать данные"), this)),
      m_installButton(new QPushButton(QStringLiteral("Установить данные"), this)),
      m_downloadAndInstallButton(new QPushButton(QStringLiteral("Скачать и установить данные"), this)),
      m_stopButton(new QPushButton(QStringLiteral("Прервать"), this)),
      m_stop(new zv::ActionStop(this)),
      m_table(new QTableWidget(this)),
      m_tree(new QTreeWidget(this)),
      m_busyIndicator(new QProgressBar(this)),
      m_notice(new QLabel(this))
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
    m_notice->setObjectName(QStringLiteral("notice"));

    createView();
    setSubscriptionInfo();
    createTree();
}

DownloadTab::~DownloadTab() = default;

void DownloadTab::createView()
{
    // The buttons keep to one block, so a narrow screen moves whole panels to
    // a new line rather than breaking the block apart.
    auto* buttons = new QWidget(this);
    buttons->setObjectName(QStringLiteral("buttonPanel"));
    m_buttonLayout->setContentsMargins(0, 0, 0, 0);
    buttons->setLayout(m_buttonLayout);
    m_buttonLayout->addWidget(m_updateButton, 0, 0, 2, 3, Qt::AlignCenter);
    m_buttonLayout->addWidget(new QLabel(QStringLiteral("|\n|\n|"), this), 0, 3, 2, 1);
    m_buttonLayout->addWidget(m_downloadAndInstallButton, 0, 4, 2, 1, Qt::AlignCenter);
    m_buttonLayout->addWidget(m_downloadButton, 0, 5);
    m_buttonLayout->addWidget(m_installButton, 1, 5);
    m_buttonLayout->addWidget(m_stopButton, 0, 7, 2, 1, Qt::AlignCenter);
    m_topPanel->addWidget(buttons);

    auto* leftColumn = new QVBoxLayout;
    leftColumn->addWidget(new QLabel(QStringLiteral("Данные"), this));
    leftColumn->addWidget(m_tree, 1);

    auto* rightColumn = new QVBoxLayout;
    // The busy sign stands beside the table's title, on a line that is there
    // anyway: a build changes the table, and no line of it is lost.
    auto* tableTitle = new QHBoxLayout;
    tableTitle->addWidget(new QLabel(QStringLiteral("Управление данными"), this));
    tableTitle->addSpacing(12);
    tableTitle->addWidget(createBusySign());
    tableTitle->addStretch(1);
    rightColumn->addLayout(tableTitle);
    m_notice->setWordWrap(true);
    m_notice->setStyleSheet(QStringLiteral("background-color: mistyrose; padding: 4px;"));
    m_notice->hide();
    rightColumn->addWidget(m_notice);
    setUpTable();
    rightColumn->addWidget(m_table, 1);

    auto* top = new QWidget(this);
    top->setObjectName(QStringLiteral("topPanel"));
    m_topPanel->setContentsMargins(0, 0, 0, 0);
    top->setLayout(m_topPanel);
    m_mainLayout->addWidget(new TopPanelArea(top, this), 0, 0, 1, 2);
    m_mainLayout->addLayout(leftColumn, 1, 0);
    m_mainLayout->addLayout(rightColumn, 1, 1);
    // The panel keeps its natural height; the table takes what is left.
    m_mainLayout->setRowStretch(1, 1);
    m_mainLayout->setColumnStretch(1, 1);

    connect(m_updateButton, &QPushButton::clicked, this, &DownloadTab::updateLicList);
    connect(m_table->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &DownloadTab::allChecked);
    connect(m_downloadAndInstallButton, &QPushButton::clicked, this,
            &DownloadTab::downloadAndInstallCheckedFile);
    connect(m_downloadButton, &QPushButton::clicked, this, &DownloadTab::downloadCheckedFile);
    connect(m_installButton, &QPushButton::clicked, this, &DownloadTab::installCheckedFile);
    connect(m_stopButton, &QPushButton::clicked, this, &DownloadTab::stopAction);
}

QWidget* DownloadTab::createBusySign()
{
    auto* sign = m_busySign = new QWidget(this);
    sign->setObjectName(QStringLiteral("busySign"));
    auto* row = new QHBoxLayout(sign);
    row->setContentsMargins(0, 0, 0, 0);
    // Runs to and fro, without a figure, while the catalogue is being built.
    m_busyIndicator->setRange(0, 0);
    m_busyIndicator->setTextVisible(false);
    m_busyIndicator->setMaximumWidth(120);
    row->addWidget(m_busyIndicator);
    row->addWidget(new QLabel(zv::status::buildingShort, sign));
    // Its place stays while it is hidden, so nothing jumps when a build
    // starts or ends.
    QSizePolicy policy = sign->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    sign->setSizePolicy(policy);
    sign->hide();
    return sign;
}

void DownloadTab::setUpTable()
{
    m_table->setColumnCount(zv::column::Count);
    m_table->setHorizontalHeaderLabels(zv::column::headers());
    // Wide enough for the longest status in the table's own font, whatever
    // the screen's scaling makes of it.
    int statusWidth = zv::column::statusWidth;
    for (const QString& text : zv::status::longest())
        statusWidth = qMax(statusWidth, fontMetrics().horizontalAdvance(text) + 24);
    m_table->setColumnWidth(zv::column::Status, statusWidth);
    for (int column = zv::column::Id; column < zv::column::Count; ++column)
        m_table->setColumnHidden(column, true);
    m_table->horizontalHeaderItem(zv::column::Title)->setIcon(QIcon(zv::column::checkOffIcon));
    m_table->verticalHeader()->setVisible(false);
    m_table->setShowGrid(false);
    // The name takes the width the status leaves; what still does not fit
    // ends in "…" and shows whole in its tooltip.
    QHeaderView* header = m_table->horizontalHeader();
    header->setSectionResizeMode(zv::column::Title, QHeaderView::Stretch);
    header->setMinimumSectionSize(zv::column::statusWidth / 2);
    m_table->setTextElideMode(Qt::ElideRight);
    m_table->setWordWrap(false);
    m_table->setItemDelegateForColumn(zv::column::Title, new TickDelegate(m_table));
    // Colours are the statuses: a selection would paint over them.
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // One line of text a row, whatever the style's default.
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 10);
    // The panel above takes the height its lines need first; the catalogue
    // takes the rest, and never less than a few rows.
    const int fewRows = m_table->horizontalHeader()->sizeHint().height() +
                        4 * m_table->verticalHeader()->defaultSectionSize() + 4;
    for (QAbstractScrollArea* view : {static_cast<QAbstractScrollArea*>(m_table),
                                      static_cast<QAbstractScrollArea*>(m_tree)}) {
        view->setSizePolicy(view->sizePolicy().horizontalPolicy(), QSizePolicy::Ignored);
        view->setMinimumHeight(fewRows);
    }
}

QSize DownloadTab::sizeHint() const
{
    // Room for a dozen rows: the catalogue's own wish does not count (see
    // setUpTable), and a window opened at this size shows a useful part of it.
    QSize hint = QWidget::sizeHint();
    hint.rheight() += 8 * m_table->verticalHeader()->defaultSectionSize();
    // And room for the longest name on show, where the screen has it.
    int names = 0;
    for (int row = 0; row < m_table->rowCount(); ++row)
        names = qMax(names, fontMetrics().horizontalAdvance(zv::cells::titleAt(*m_table, row)));
    const int rows = m_tree->width() + names + 48 + m_table->columnWidth(zv::column::Status) +
                     m_table->verticalScrollBar()->sizeHint().width();
    hint.setWidth(qMax(hint.width(), rows));
    return hint;
}

void DownloadTab::createTree()
{
    m_tree->setColumnCount(1);
    m_tree->setHeaderLabel(QStringLiteral("Мои файлы"));
    m_tree->setHeaderHidden(true);
    m_categoryNodes = zv::category::populate(*m_tree, m_useRik, m_useGrand);
    m_myFilesNode = m_categoryNodes.value(zv::category::rootKey);
    // 200 pixels, or more where a larger font needs it for every name.
    m_tree->resizeColumnToContents(0);
    // Room for a scroll bar too: a short window shows one, and it must not
    // take its width from the names.
    const int needed = m_tree->columnWidth(0) + 2 * m_tree->frameWidth() +
                       m_tree->verticalScrollBar()->sizeHint().width() + 4;
    m_tree->setFixedWidth(qMax(200, needed));
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
    // Derived from what runs rather than flipped: a build that starts from
    // inside an action's wait, or ends inside one, can never leave a control
    // in the wrong state.
    const bool idle = !m_buildRunning && !m_actionRunning;
    for (QWidget* control : {static_cast<QWidget*>(m_table), static_cast<QWidget*>(m_updateButton),
                             static_cast<QWidget*>(m_downloadButton),
                             static_cast<QWidget*>(m_installButton),
                             static_cast<QWidget*>(m_downloadAndInstallButton)})
        control->setEnabled(idle);
    m_stopButton->setEnabled(m_actionRunning);
}

void DownloadTab::uncheckAll()
{
    for (int row = 0; row < m_table->rowCount(); ++row) {
        if (zv::cells::isTicked(*m_table, row))
            zv::cells::setTicked(*m_table, row, false);
    }
}
