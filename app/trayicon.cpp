#include "app/trayicon.h"

#include <QPointer>
#include <QSystemTrayIcon>

namespace zv {
namespace {
QPointer<QSystemTrayIcon>& held()
{
    static QPointer<QSystemTrayIcon> icon;
    return icon;
}
} // namespace

QSystemTrayIcon* trayIcon()
{
    return held().data();
}

void setTrayIcon(QSystemTrayIcon* icon)
{
    held() = icon;
}

} // namespace zv
