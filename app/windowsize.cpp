#include "app/windowsize.h"

namespace zv {

QSize initialWindowSize(const QSize& hint, const QSize& minimum, const QRect& available)
{
    const QSize room = available.size() - QSize(frameAllowanceWidth, frameAllowanceHeight);
    return hint.boundedTo(room).expandedTo(minimum);
}

QRect centredIn(const QSize& size, const QRect& available)
{
    QRect placed(QPoint(0, 0), size);
    placed.moveCenter(available.center());
    // The title bar must stay on the screen, where the user can take hold of it.
    placed.moveTop(qMax(placed.top(), available.top()));
    placed.moveLeft(qMax(placed.left(), available.left()));
    return placed;
}

} // namespace zv
