// libFuzzer entry for the dBASE reader: whatever the bytes, parsing answers
// true or false without reading past the data, and a table that parses is
// written back as bytes that parse again to the same rows.
#include "install/dbftable.h"
#include "install/dostext.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    zv::DbfTable table;
    if (!table.parse(bytes)) {
        if (table.errorString().isEmpty())
            std::abort();
        return 0;
    }
    for (const zv::DbfRecord& record : table.records(true))
        for (int i = 0; i < record.count(); ++i)
            zv::decodeDosText(record.value(i).toString());
    zv::DbfTable again;
    if (!again.parse(table.toBytes()) || again.rowCount() != table.rowCount())
        std::abort();
    for (int row = 0; row < table.rowCount(); ++row) {
        const zv::DbfRecord a = table.record(row);
        const zv::DbfRecord b = again.record(row);
        for (int i = 0; i < a.count(); ++i)
            if (a.value(i) != b.value(i) && !(a.value(i).isNull() && b.value(i).isNull()))
                std::abort();
    }
    return 0;
}
