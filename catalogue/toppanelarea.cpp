#include "catalogue/toppanelarea.h"

#include <QLayout>
#include <QScrollBar>

TopPanelArea::TopPanelArea(QWidget* panel, QWidget* parent) : QScrollArea(parent)
{
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setWidget(panel);
    // The panel stands on the tab's own background, as if there were no area.
    viewport()->setAutoFillBackground(false);
    panel->setAutoFillBackground(false);
}

QSize TopPanelArea::sizeHint() const
{
    const QSize hint = widget()->sizeHint();
    const int width = viewport()->width() > 0 ? viewport()->width() : hint.width();
    return QSize(hint.width(), widget()->heightForWidth(width));
}

QSize TopPanelArea::minimumSizeHint() const
{
    // The widest item decides the width; the first line (the buttons) the height.
    const QSize least = widget()->minimumSizeHint();
    const QLayoutItem* first = widget()->layout()->itemAt(0);
    const int line = first ? first->sizeHint().height() : least.height();
    return QSize(least.width() + verticalScrollBar()->sizeHint().width(), line);
}

void TopPanelArea::resizeEvent(QResizeEvent* event)
{
    QScrollArea::resizeEvent(event);
    // A new width wraps the panels anew: the height asked for changes with it.
    updateGeometry();
}
