#pragma once

#include <QStringList>

namespace zv {

// The folders directly inside each root (roots end in "/") whose names contain
// "rik" in any letter case, as root + name: roots in the given order, the
// folders of one root in the file system's order. Sub-folders are not
// searched; a root that cannot be read gives nothing.
QStringList findRikFolders(const QStringList& roots);

} // namespace zv
