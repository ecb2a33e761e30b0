#pragma once

#include <QString>

class QLineEdit;

namespace zv {

// Keeps a short field at most `preferred` pixels wide, but never narrower
// than its longest expected text needs in the field's own font: a key number
// cut at the edge reads as another number, and fonts grow with the screen's
// scaling.
void fitFieldTo(QLineEdit& field, const QString& longestText, int preferred);

// A path field wide enough for a usual folder path.
void widenForPaths(QLineEdit& field);

} // namespace zv
