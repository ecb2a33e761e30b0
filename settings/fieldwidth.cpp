#include "settings/fieldwidth.h"

#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>

namespace zv {

namespace {
int widthFor(const QLineEdit& field, const QString& text)
{
    QStyleOptionFrame option;
    option.initFrom(&field);
    const QMargins margins = field.textMargins();
    // QLineEdit keeps a few pixels between its frame and the text.
    constexpr int innerMargin = 2 * 2 + 4;
    const QSize content(field.fontMetrics().horizontalAdvance(text) + margins.left() +
                            margins.right() + innerMargin,
                        field.fontMetrics().height());
    return field.style()->sizeFromContents(QStyle::CT_LineEdit, &option, content, &field).width();
}
} // namespace

void fitFieldTo(QLineEdit& field, const QString& longestText, int preferred)
{
    const int needed = widthFor(field, longestText);
    field.setMinimumWidth(needed);
    field.setMaximumWidth(qMax(preferred, needed));
}

void widenForPaths(QLineEdit& field)
{
    field.setMinimumWidth(widthFor(field, QString(36, QLatin1Char('x'))));
}

} // namespace zv
