#pragma once

#include <QString>

namespace zv {

// One column of a dBASE table, as its field descriptor in the file header
// describes it.
struct DbfField
{
    QString name;     // as stored (ASCII); looked up without regard to letter case
    char type = 'C';  // 'C', 'N', 'F', 'L', 'D'; any other type is carried as raw bytes
    int length = 0;   // bytes in the record
    int decimals = 0; // digits after the point for 'N' and 'F'
    int offset = 0;   // position in the record, counted after the deletion flag
};

} // namespace zv
