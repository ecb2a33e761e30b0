#pragma once

#include <QLoggingCategory>

// The client's five logging categories. Each is created the first time it is
// asked for. Messages go out at the debug level of the category and begin with
// the operation's name and a colon, e.g. "getLicNB: Connection refused".
namespace zv {
const QLoggingCategory& logDebug();
const QLoggingCategory& logInfo();
const QLoggingCategory& logWarning();
const QLoggingCategory& logCritical();
const QLoggingCategory& logError();
} // namespace zv

// Unquoted, unspaced streams, so a message reads exactly as it is composed.
#define ZV_INFO() qCDebug(zv::logInfo).noquote().nospace()
#define ZV_ERROR() qCDebug(zv::logError).noquote().nospace()
#define ZV_WARNING() qCDebug(zv::logWarning).noquote().nospace()
