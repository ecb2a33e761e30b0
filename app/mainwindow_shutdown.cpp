// Ending the client while a download or install runs: the action is stopped
// first and the client ends once it has unwound, so no half file takes a
// real name and no stopped item is reported as done.
#include "app/mainwindow.h"

#include "catalogue/downloadtab.h"
#include "service/actionstop.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QTimer>

#include <utility>

bool MainWindow::stopActionFirst(std::function<void()> then)
{
    if (!m_downloadTab || !m_downloadTab->isActionRunning())
        return false;
    m_afterAction = std::move(then);
    m_downloadTab->actionStop().request(zv::ActionStop::byShutdownReason());
    return true;
}

void MainWindow::continueAfterAction()
{
    if (!m_afterAction)
        return;
    // Queued: the action's own frames (its nested event loops among them)
    // return before the client ends.
    QTimer::singleShot(0, this, std::exchange(m_afterAction, nullptr));
}

void MainWindow::quitApp()
{
    if (!stopActionFirst([] { QCoreApplication::quit(); }))
        QCoreApplication::quit();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (stopActionFirst([this] { close(); })) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}
