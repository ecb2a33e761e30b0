#include "service/actionstop.h"

#include "service/logging.h"

namespace zv {

ActionStop::ActionStop(QObject* parent) : QObject(parent) {}

void ActionStop::reset()
{
    m_requested = false;
    m_reason.clear();
}

void ActionStop::request(const QString& reason)
{
    if (m_requested)
        return;
    m_requested = true;
    m_reason = reason;
    ZV_INFO() << "ActionStop: " << reason;
    emit stopRequested();
}

QString ActionStop::byUserReason()
{
    return QStringLiteral("Прервано пользователем");
}

QString ActionStop::byShutdownReason()
{
    return QStringLiteral("Прервано: программа закрывается");
}

} // namespace zv
