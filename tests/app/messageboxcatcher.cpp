#include "messageboxcatcher.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

MessageBoxCatcher::MessageBoxCatcher()
{
    connect(&m_timer, &QTimer::timeout, this, [this] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        QAbstractButton* ok = box->button(QMessageBox::Ok);
        const int buttons = box->buttons().size();
        m_boxes.append({box->windowTitle(), box->text(), box->icon(), buttons, buttons == 1 && ok});
        if (ok)
            ok->click();
        else
            box->reject();
    });
    m_timer.start(20);
}

QStringList MessageBoxCatcher::titles() const
{
    QStringList titles;
    for (const Box& box : m_boxes)
        titles << box.title;
    return titles;
}
