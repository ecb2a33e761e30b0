#pragma once

#include <QString>

// The pieces of the download cache that differ between Windows, where the
// temporary folder is the user's own, and systems with a shared one.
namespace zv::detail {

// The temporary folder with "/" separators and no trailing "/".
QString temporaryFolder();

// Creates one folder whose parent exists; on a shared temporary folder it is
// made readable and writable by the user alone from the moment it exists.
bool makeOwnFolder(const QString& folder);

} // namespace zv::detail
