#include "messageboxcatcher.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

MessageBoxCatcher::MessageBoxCatcher()
{
    m_timer.setInterval(20);
    connect(&m_timer, &QTimer::timeout, this, &MessageBoxCatcher::closeActiveBox);
    m_timer.start();
}

QStringList MessageBoxCatcher::titles() const
{
    QStringList list;
    for (const Box& box : m_boxes)
        list << box.title;
    return list;
}

void MessageBoxCatcher::closeActiveBox()
{
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible())
        return;
    Box seen;
    seen.title = box->windowTitle();
    seen.text = box->text();
    seen.icon = box->icon();
    seen.buttonCount = box->buttons().size();
    seen.onlyOk = seen.buttonCount == 1 && box->button(QMessageBox::Ok) != nullptr;
    m_boxes.append(seen);
    if (QAbstractButton* ok = box->button(QMessageBox::Ok))
        ok->click();
    else
        box->reject();
}
