#pragma once

#include "install/datatypes.h"
#include "install/winrikrecords.h"

#include <QString>

namespace zv {

// Brings an offered endings record into its table <type>_all below
// rikFolder/sm_r/var: overwrites the live rows with the same NUM (a row
// marked deleted is brought back only when no live one has it), or inserts the
// record at its place in the number bands and moves the rows behind it down
// by one. All or nothing: on false the table file is exactly as before.
// Logs its failures; answers false for DataTypes::Grand.
bool mergeEndings(const QString& rikFolder, const VAR& var, DataTypes type = DataTypes::Rik);

} // namespace zv
