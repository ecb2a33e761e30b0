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
        m_titles << box->windowTitle();
        m_texts << box->text();
        if (QAbstractButton* ok = box->button(QMessageBox::Ok))
            ok->click();
        else
            box->reject();
    });
    m_timer.start(20);
}
