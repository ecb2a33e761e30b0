#pragma once

#include <QStyledItemDelegate>

// A click anywhere on a row's name ticks or unticks it, as a click on a
// check box's text does, not only a click on the small box itself.
class TickDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;
};
