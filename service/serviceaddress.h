#pragma once

#include <QString>
#include <QUrl>

// Where the dealer's service lives. The address is built into the client
// (CMake option ZV_SERVICE_URL); tests that run in-process against the local
// stand-in point it elsewhere with setServiceBaseAddress.
namespace zv {

// Absolute HTTP(S) URL ending in "/".
QString serviceBaseAddress();
void setServiceBaseAddress(const QString& base);

// Every query goes to base + "api/".
QUrl serviceApiAddress();
// A file of the service: base + its relative path.
QUrl serviceFileAddress(const QString& relativePath);

} // namespace zv
