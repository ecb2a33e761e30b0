#include "messageboxcatcher.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

MessageBoxCatcher::MessageBoxCatcher(const QString& press)
{
    connect(&m_timer, &QTimer::timeout, this, [this, press] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        m_titles << box->windowTitle();
        m_texts << box->text();
        const QFontMetrics metrics(box->font());
        m_titleRooms << double(box->width() - metrics.horizontalAdvance(box->windowTitle())) / metrics.height();
        for (QAbstractButton* button : box->buttons())
            if (button->text() == press)
                return button->click();
        if (QAbstractButton* ok = box->button(QMessageBox::Ok))
            ok->click();
        else
            box->reject();
    });
    m_timer.start(20);
}
