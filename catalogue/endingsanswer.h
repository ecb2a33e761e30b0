#pragma once

#include "install/winrikrecords.h"

#include <QJsonObject>

namespace zv {

// One offered endings record, as the service describes it. Its position in
// the local table (nn) is left to the merge that installs it.
VAR varFromJson(const QJsonObject& object);

} // namespace zv
