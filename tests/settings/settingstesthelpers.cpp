#include "settingstesthelpers.h"

#include "service/downloadcache.h"
#include "settings/settingsstore.h"
#include "tests/support/devserviceprocess.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>

namespace zv::test {

void prepareSettingsProcess()
{
    enableTestMode();
    QCoreApplication::setOrganizationName(QStringLiteral("ZelVinora"));
    QCoreApplication::setApplicationName(QStringLiteral("Личный кабинет Зелвинора"));
    installSettingsFormat();
}

void resetStoreAndCache()
{
    QSettings store;
    store.clear();
    store.sync();
    QDir(downloadCacheFolder()).removeRecursively();
}

ModalWatcher::ModalWatcher(std::function<void(QDialog*)> otherDialogs)
    : m_otherDialogs(std::move(otherDialogs))
{
    m_timer.setInterval(20);
    connect(&m_timer, &QTimer::timeout, this, &ModalWatcher::look);
    m_timer.start();
}

void ModalWatcher::look()
{
    QWidget* modal = QApplication::activeModalWidget();
    // Marked on the widget itself: a later box may well reuse the address of
    // one already closed.
    if (!modal || !modal->isVisible() || modal->property("zvWatched").toBool())
        return;
    modal->setProperty("zvWatched", true);
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        m_messages.append({box->windowTitle(), box->text(), int(box->buttons().size())});
        if (QAbstractButton* ok = box->button(QMessageBox::Ok))
            ok->click();
        else
            box->reject();
        return;
    }
    if (auto* dialog = qobject_cast<QDialog*>(modal)) {
        if (m_otherDialogs)
            m_otherDialogs(dialog);
        else
            dialog->reject();
    }
}

} // namespace zv::test
