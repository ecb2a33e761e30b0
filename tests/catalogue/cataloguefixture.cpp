#include "tests/catalogue/cataloguefixture.h"

#include "catalogue/downloadtab.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>

namespace zv::test {

void resetSettings()
{
    QCoreApplication::setOrganizationName(QStringLiteral("ZelvinoraTest"));
    QCoreApplication::setApplicationName(QStringLiteral("catalogue"));
    QSettings settings;
    settings.clear();
    settings.sync();
}

void setSetting(const QString& key, const QVariant& value)
{
    QSettings settings;
    settings.setValue(key, value);
}

QTableWidget* tableOf(DownloadTab& tab)
{
    return tab.findChild<QTableWidget*>(QStringLiteral("table"));
}

QTreeWidget* treeOf(DownloadTab& tab)
{
    return tab.findChild<QTreeWidget*>(QStringLiteral("tree"));
}

QPushButton* buttonOf(DownloadTab& tab, const QString& objectName)
{
    return tab.findChild<QPushButton*>(objectName);
}

QTreeWidgetItem* nodeOf(DownloadTab& tab, const QString& key)
{
    for (QTreeWidgetItemIterator it(treeOf(tab)); *it; ++it) {
        if ((*it)->text(1) == key)
            return *it;
    }
    return nullptr;
}

QList<CatalogueRowView> rowsOf(DownloadTab& tab)
{
    QTableWidget* table = tableOf(tab);
    QList<CatalogueRowView> rows;
    for (int row = 0; row < table->rowCount(); ++row) {
        CatalogueRowView view;
        if (auto* box = qobject_cast<QCheckBox*>(table->cellWidget(row, 0))) {
            view.title = box->text();
            view.ticked = box->isChecked();
            view.titleStyle = box->styleSheet();
        }
        if (auto* label = qobject_cast<QLabel*>(table->cellWidget(row, 1))) {
            view.status = label->text();
            view.statusStyle = label->styleSheet();
        }
        const auto cell = [table, row](int column) {
            return table->model()->index(row, column).data(Qt::DisplayRole);
        };
        view.id = cell(2).toString();
        view.url = cell(3).toString();
        view.itemClass = cell(4).toString();
        view.isNew = cell(5).toBool();
        view.hidden = table->isRowHidden(row);
        rows.append(view);
    }
    return rows;
}

int rowIndexOf(DownloadTab& tab, const QString& title)
{
    const QList<CatalogueRowView> rows = rowsOf(tab);
    for (int row = 0; row < rows.size(); ++row) {
        if (rows.at(row).title == title)
            return row;
    }
    return -1;
}

CatalogueRowView rowTitled(DownloadTab& tab, const QString& title)
{
    const int row = rowIndexOf(tab, title);
    return row < 0 ? CatalogueRowView() : rowsOf(tab).at(row);
}

QStringList titlesOf(DownloadTab& tab)
{
    QStringList titles;
    for (const CatalogueRowView& row : rowsOf(tab))
        titles << row.title;
    return titles;
}

QStringList visibleTitlesOf(DownloadTab& tab)
{
    QStringList titles;
    for (const CatalogueRowView& row : rowsOf(tab)) {
        if (!row.hidden)
            titles << row.title;
    }
    return titles;
}

void tick(DownloadTab& tab, const QString& title)
{
    const int row = rowIndexOf(tab, title);
    if (auto* box = qobject_cast<QCheckBox*>(tableOf(tab)->cellWidget(row, 0)))
        box->setChecked(true);
}

void clickNode(DownloadTab& tab, const QString& key)
{
    QTreeWidget* tree = treeOf(tab);
    QTreeWidgetItem* node = nodeOf(tab, key);
    tree->setCurrentItem(node);
    emit tree->itemClicked(node, 0);
}

void clickHeader(DownloadTab& tab, int section)
{
    emit tableOf(tab)->horizontalHeader()->sectionClicked(section);
}

void rebuild(DownloadTab& tab)
{
    buttonOf(tab, QStringLiteral("updateButton"))->click();
}

ActionOutcome::ActionOutcome(DownloadTab& tab) : m_tab(tab)
{
    tableOf(tab)->installEventFilter(this);
}

CatalogueRowView ActionOutcome::row(const QString& title) const
{
    for (const CatalogueRowView& row : m_rows) {
        if (row.title == title)
            return row;
    }
    return {};
}

bool ActionOutcome::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_taken && event->type() == QEvent::EnabledChange &&
        static_cast<QWidget*>(watched)->isEnabled()) {
        m_rows = rowsOf(m_tab);
        m_taken = true;
    }
    return false;
}

struct MessageBoxCloser::Private
{
    QTimer timer;
    QList<SeenMessage> seen;
};

MessageBoxCloser::MessageBoxCloser() : d(new Private)
{
    d->timer.setInterval(20);
    QObject::connect(&d->timer, &QTimer::timeout, [this] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        d->seen.append({box->windowTitle(), box->text()});
        box->done(QMessageBox::Ok);
    });
    d->timer.start();
}

MessageBoxCloser::~MessageBoxCloser()
{
    delete d;
}

QList<SeenMessage> MessageBoxCloser::seen() const
{
    return d->seen;
}

bool writeFile(const QString& path, const QByteArray& bytes, const QDateTime& modified)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return false;
    file.close();
    if (!modified.isValid())
        return true;
    if (!file.open(QIODevice::ReadWrite))
        return false;
    return file.setFileTime(modified, QFileDevice::FileModificationTime);
}

} // namespace zv::test
