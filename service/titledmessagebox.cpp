#include "service/titledmessagebox.h"

#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>

namespace zv {

void fitBoxToTitle(QMessageBox& box)
{
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid)
        return;
    // Room for the window's icon, its close button and the frame: Windows 10
    // draws them about six lines of the box's font wide. Counted in lines, it
    // grows with the font and the screen's scale.
    const QFontMetrics metrics(box.font());
    const int width = metrics.horizontalAdvance(box.windowTitle()) + 7 * metrics.height();
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, grid->columnCount());
}

void showInformationBox(QWidget* parent, const QString& title, const QString& text)
{
    QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Ok, parent);
    fitBoxToTitle(box);
    box.exec();
}

} // namespace zv
