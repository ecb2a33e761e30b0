#include "catalogue/cataloguetable.h"

#include "catalogue/cataloguecolumns.h"

#include <QBrush>
#include <QProgressBar>
#include <QTableWidget>

namespace zv::cells {

namespace {
QTableWidgetItem* cellItem(QTableWidget& table, int row, int column)
{
    QTableWidgetItem* item = table.item(row, column);
    if (!item) {
        item = new QTableWidgetItem;
        item->setFlags(Qt::ItemIsEnabled);
        table.setItem(row, column, item);
    }
    return item;
}
void paint(QTableWidgetItem& item, const QString& colour)
{
    const QColor background = colourOf(colour);
    if (background.isValid())
        item.setBackground(background);
    else
        item.setData(Qt::BackgroundRole, QVariant());
}
} // namespace

int appendRow(QTableWidget& table)
{
    const int row = table.rowCount();
    table.insertRow(row);
    return row;
}

void putTitle(QTableWidget& table, int row, const QString& title, const QString& colour)
{
    QTableWidgetItem* item = cellItem(table, row, column::Title);
    item->setText(title);
    item->setToolTip(title);
    paint(*item, colour);
    setTickable(table, row, true);
}

QString titleAt(const QTableWidget& table, int row)
{
    const QTableWidgetItem* item = table.item(row, column::Title);
    return item ? item->text() : QString();
}

bool isTicked(const QTableWidget& table, int row)
{
    const QTableWidgetItem* item = table.item(row, column::Title);
    return item && (item->flags() & Qt::ItemIsUserCheckable) && item->checkState() == Qt::Checked;
}

void setTicked(QTableWidget& table, int row, bool ticked)
{
    QTableWidgetItem* item = table.item(row, column::Title);
    if (item && (item->flags() & Qt::ItemIsUserCheckable))
        item->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
}

void setTickable(QTableWidget& table, int row, bool tickable)
{
    QTableWidgetItem* item = cellItem(table, row, column::Title);
    if (tickable) {
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    } else {
        item->setFlags(Qt::ItemIsEnabled);
        // Without a check state the view draws no box at all.
        item->setData(Qt::CheckStateRole, QVariant());
    }
}

void showStatus(QTableWidget& table, int row, const QString& text, const QString& colour,
                const QString& toolTip)
{
    table.removeCellWidget(row, column::Status);
    QTableWidgetItem* item = cellItem(table, row, column::Status);
    item->setText(text);
    item->setTextAlignment(Qt::AlignCenter);
    paint(*item, colour);
    item->setToolTip(toolTip);
}

QString statusText(const QTableWidget& table, int row)
{
    const QTableWidgetItem* item = table.item(row, column::Status);
    if (!item || table.cellWidget(row, column::Status))
        return QString();
    return item->text();
}

void putProgressBar(QTableWidget& table, int row, QProgressBar* bar)
{
    table.setCellWidget(row, column::Status, bar);
}

QProgressBar* progressBarAt(const QTableWidget& table, int row)
{
    return qobject_cast<QProgressBar*>(table.cellWidget(row, column::Status));
}

void writeText(QTableWidget& table, int row, int column, const QString& text)
{
    table.model()->setData(table.model()->index(row, column), text, Qt::EditRole);
}

QString textAt(const QTableWidget& table, int row, int column)
{
    return table.model()->index(row, column).data(Qt::DisplayRole).toString();
}

void writeIsNew(QTableWidget& table, int row, bool isNew)
{
    table.model()->setData(table.model()->index(row, column::IsNew), isNew, Qt::EditRole);
}

bool isNewAt(const QTableWidget& table, int row)
{
    return table.model()->index(row, column::IsNew).data(Qt::DisplayRole).toBool();
}

QString idAt(const QTableWidget& table, int row)
{
    return textAt(table, row, column::Id);
}

QString urlAt(const QTableWidget& table, int row)
{
    return textAt(table, row, column::Url);
}

QString classAt(const QTableWidget& table, int row)
{
    return textAt(table, row, column::Class);
}

QColor colourOf(const QString& style)
{
    return QColor(style.section(QLatin1Char(':'), 1).remove(QLatin1Char(';')).trimmed());
}

} // namespace zv::cells
