// "Прервать": the running download or install stops, and the action ends
// without starting another item.
#include "catalogue/downloadtab.h"

#include "service/actionstop.h"

#include <QPushButton>

void DownloadTab::stopAction()
{
    if (m_actionRunning)
        m_stop->request(zv::ActionStop::byUserReason());
}

void DownloadTab::beginAction()
{
    m_actionRunning = true;
    m_stopButton->setEnabled(true);
}

bool DownloadTab::endAction()
{
    m_actionRunning = false;
    m_stopButton->setEnabled(false);
    const bool shuttingDown = m_stop->reason() == zv::ActionStop::byShutdownReason();
    emit actionEnded();
    return shuttingDown;
}
