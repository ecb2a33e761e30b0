#include "catalogue/tickdelegate.h"

#include <QMouseEvent>

bool TickDelegate::editorEvent(QEvent* event, QAbstractItemModel* model,
                               const QStyleOptionViewItem& option, const QModelIndex& index)
{
    const bool tickable = (index.flags() & Qt::ItemIsUserCheckable) &&
                          (index.flags() & Qt::ItemIsEnabled);
    if (!tickable)
        return QStyledItemDelegate::editorEvent(event, model, option, index);
    switch (event->type()) {
    case QEvent::MouseButtonRelease: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton || !option.rect.contains(mouse->pos()))
            return false;
        const bool ticked = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
        return model->setData(index, ticked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
    }
    case QEvent::MouseButtonDblClick:
        // Its two releases tick and untick, as two clicks on a check box do.
        return true;
    default:
        return QStyledItemDelegate::editorEvent(event, model, option, index);
    }
}
