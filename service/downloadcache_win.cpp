#include <QtGlobal>
#ifdef Q_OS_WIN
#include "service/downloadcache.h"
#include "service/downloadcache_platform.h"

#include <QDir>

namespace zv {

// The temporary folder lies in the user's own profile: nobody else can plant
// files there.
bool isTrustedCacheFile(const QString&)
{
    return true;
}

namespace detail {
bool makeOwnFolder(const QString& folder)
{
    return QDir().mkdir(folder);
}
} // namespace detail

} // namespace zv
#endif
