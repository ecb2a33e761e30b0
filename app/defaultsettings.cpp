#include "app/defaultsettings.h"

#include "service/logging.h"
#include "settings/autostart.h"
#include "settings/settingkeys.h"

#include <QSettings>

namespace zv {

bool isFirstRun(const QSettings& settings)
{
    return settings.allKeys().isEmpty();
}

void writeDefaultSettings(QSettings& settings)
{
    for (const auto& [key, value] : keys::firstRunDefaults()) {
        settings.setValue(key, value);
        if (key == keys::generalAutostart && settings.value(keys::generalAutostart).toBool() &&
            !writeAutostartEntry())
            ZV_ERROR() << "setDefaultSettings: the autostart entry could not be written";
    }
    settings.sync();
}

} // namespace zv
