// The setup signals a named event of the user's session; the client waits on
// it in its event loop.
#include <QtGlobal>
#ifdef Q_OS_WIN
#include "app/endrequest.h"

#include "service/logging.h"

#include <QWinEventNotifier>

#include <windows.h>

namespace zv {

void listenForEndRequest(QObject* owner, std::function<void()> onRequest)
{
    // The setup program opens the event by this name (scripts/windows/zelvinorapa.nsi).
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, L"Local\\zelvinoraPA-end");
    if (!event) {
        ZV_ERROR() << "listenForEndRequest: CreateEvent failed, " << GetLastError();
        return;
    }
    auto* notifier = new QWinEventNotifier(event, owner);
    QObject::connect(notifier, &QWinEventNotifier::activated, owner, [onRequest] {
        ZV_INFO() << "listenForEndRequest: the setup program asks the client to end";
        onRequest();
    });
    QObject::connect(notifier, &QObject::destroyed, [event] { CloseHandle(event); });
}

} // namespace zv
#endif
