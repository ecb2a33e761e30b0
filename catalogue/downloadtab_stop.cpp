// "Прервать": the running download or install stops, and the action ends
// without starting another item.
#include "catalogue/downloadtab.h"

#include "service/actionstop.h"

void DownloadTab::stopAction()
{
    if (m_actionRunning)
        m_stop->request(zv::ActionStop::byUserReason());
}

void DownloadTab::beginAction()
{
    m_actionRunning = true;
    toggleControls();
}

bool DownloadTab::endAction()
{
    m_actionRunning = false;
    toggleControls();
    const bool shuttingDown = m_stop->reason() == zv::ActionStop::byShutdownReason();
    emit actionEnded();
    return shuttingDown;
}
