#pragma once

#include <QStringList>

class QObject;

// The setup program of a self-update lies in the download cache, where the
// old client put it. The setup starts the new client naming itself after
// installedByOption; the new client removes that file once the setup has
// ended, so the 9 MB do not stay in the cache. A setup the user started from
// anywhere else is never touched.
namespace zv {

inline const QString installedByOption = QStringLiteral("--installed-by");

// The cached setup named in the arguments, or empty when they name none or
// a file outside the cache.
QString cachedSetupOf(const QStringList& arguments);

// Removes it, trying again for a while when the setup still runs.
void removeCachedSetup(const QStringList& arguments, QObject* context);

} // namespace zv
