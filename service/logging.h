#pragma once

#include <QLoggingCategory>
#include <QString>

// The client's five logging categories. Each is created the first time it is
// asked for. Messages go out at the debug level of the category and begin with
// the operation's name and a colon, e.g. "getLicNB: Connection refused".
namespace zv {
const QLoggingCategory& logDebug();
const QLoggingCategory& logInfo();
const QLoggingCategory& logWarning();
const QLoggingCategory& logCritical();
const QLoggingCategory& logError();

// Where the support log lies: the user's application data folder, and the
// file "zelvinorapa.log" in it. Messages that send the user to the log name
// this path, so they can find it or read it out to the dealer's support.
QString supportLogFolder();
QString supportLogFilePath();
} // namespace zv

// Unquoted, unspaced streams, so a message reads exactly as it is composed.
#define ZV_INFO() qCDebug(zv::logInfo).noquote().nospace()
#define ZV_ERROR() qCDebug(zv::logError).noquote().nospace()
#define ZV_WARNING() qCDebug(zv::logWarning).noquote().nospace()
