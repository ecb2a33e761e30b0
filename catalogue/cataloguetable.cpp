#include "catalogue/cataloguetable.h"

#include "catalogue/cataloguecolumns.h"

#include <QCheckBox>
#include <QLabel>
#include <QTableWidget>

namespace zv::cells {

int appendRow(QTableWidget& table)
{
    const int row = table.rowCount();
    table.insertRow(row);
    return row;
}

QCheckBox* putTitle(QTableWidget& table, int row, const QString& title, const QString& colour)
{
    auto* box = new QCheckBox(title);
    box->setStyleSheet(colour);
    table.setCellWidget(row, column::Title, box);
    return box;
}

QCheckBox* titleBox(const QTableWidget& table, int row)
{
    return qobject_cast<QCheckBox*>(table.cellWidget(row, column::Title));
}

bool isTicked(const QTableWidget& table, int row)
{
    const QCheckBox* box = titleBox(table, row);
    return box && box->isChecked();
}

void setTicked(QTableWidget& table, int row, bool ticked)
{
    if (QCheckBox* box = titleBox(table, row))
        box->setChecked(ticked);
}

QLabel* newStatusLabel(const QString& text, const QString& styleSheet)
{
    auto* label = new QLabel(text);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    label->setStyleSheet(styleSheet);
    return label;
}

void setStatus(QLabel& label, const QString& text, const QString& styleSheet)
{
    label.setText(text);
    label.setStyleSheet(styleSheet);
}

void putStatusWidget(QTableWidget& table, int row, QWidget* widget)
{
    table.setCellWidget(row, column::Status, widget);
}

QLabel* statusLabel(const QTableWidget& table, int row)
{
    return qobject_cast<QLabel*>(table.cellWidget(row, column::Status));
}

QString statusText(const QTableWidget& table, int row)
{
    const QLabel* label = statusLabel(table, row);
    return label ? label->text() : QString();
}

void showStatus(QTableWidget& table, int row, const QString& text, const QString& styleSheet)
{
    if (QLabel* label = statusLabel(table, row)) {
        setStatus(*label, text, styleSheet);
        return;
    }
    putStatusWidget(table, row, newStatusLabel(text, styleSheet));
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

} // namespace zv::cells
