#include "app/setupcleanup.h"

#include "catalogue/itemclass.h"
#include "service/downloadcache.h"
#include "service/logging.h"

#include <QFile>
#include <QFileInfo>
#include <QTimer>

namespace zv {
namespace {
// The setup ends a moment after it starts the client (at once when silent,
// when its last page closes otherwise).
constexpr int removalTries = 60;
constexpr int removalIntervalMs = 1000;

void tryRemoval(const QString& path, QObject* context, int triesLeft)
{
    if (!QFile::exists(path) || QFile::remove(path)) {
        ZV_INFO() << "removeCachedSetup: removed " << path;
        return;
    }
    if (triesLeft <= 1) {
        ZV_ERROR() << "removeCachedSetup: could not remove " << path;
        return;
    }
    QTimer::singleShot(removalIntervalMs, context,
                       [path, context, triesLeft] { tryRemoval(path, context, triesLeft - 1); });
}
} // namespace

QString cachedSetupOf(const QStringList& arguments)
{
    const int at = arguments.indexOf(installedByOption);
    if (at < 0 || at + 1 >= arguments.size())
        return QString();
    const QString own = cachePathOf(itemclass::clientSetupPath);
    const QString named = QFileInfo(arguments.at(at + 1)).absoluteFilePath();
    return QFileInfo(named) == QFileInfo(own) ? own : QString();
}

void removeCachedSetup(const QStringList& arguments, QObject* context)
{
    const QString path = cachedSetupOf(arguments);
    if (!path.isEmpty())
        tryRemoval(path, context, removalTries);
}

} // namespace zv
