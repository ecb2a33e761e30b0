#include "settings/autostart.h"

#include "service/logging.h"

namespace zv {

bool restoreAutostartEntry(bool wanted)
{
    if (!wanted || autostartEntryExists())
        return true;
    if (!writeAutostartEntry()) {
        ZV_ERROR() << "restoreAutostartEntry: the missing autostart entry could not be written";
        return false;
    }
    ZV_INFO() << "restoreAutostartEntry: the missing autostart entry was written again";
    return true;
}

} // namespace zv
