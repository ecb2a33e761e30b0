#include <QtGlobal>
#ifndef Q_OS_WIN
#include "service/browserproxy.h"

namespace zv {

// Desktop environments hand their proxy to programs through the environment.
QString browserProxyText()
{
    return browserProxyTextFromEnvironment(QProcessEnvironment::systemEnvironment());
}

} // namespace zv
#endif
