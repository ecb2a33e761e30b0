#include <QtGlobal>
#ifdef Q_OS_WIN
#include "service/browserproxy.h"

#include <QSettings>

namespace zv {

// Read afresh each time: the user may change it in the browser at any moment.
QString browserProxyText()
{
    const QSettings internet(
        QStringLiteral(
            "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings"),
        QSettings::NativeFormat);
    return internet.value(QStringLiteral("ProxyServer")).toString();
}

} // namespace zv
#endif
