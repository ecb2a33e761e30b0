#include "settings/generalvalues.h"

#include "service/logging.h"
#include "settings/autostart.h"
#include "settings/settingkeys.h"

#include <QSettings>

namespace zv {

GeneralValues loadGeneralValues(const QSettings& store)
{
    GeneralValues values;
    values.autostart = store.value(keys::generalAutostart).toBool();
    values.onlyNew = store.value(keys::generalOnlyNew).toBool();
    values.checkUpdateNumber = store.value(keys::generalCheckUpdateNumber).toString();
    const QString unit = store.value(keys::generalHoursOrDay).toString();
    if (unit == QLatin1String("h") || unit == QLatin1String("d"))
        values.hoursOrDay = unit;
    values.useRik = store.value(keys::generalUseRik).toBool();
    values.useGrand = store.value(keys::generalUseGrand).toBool();
    values.rikKey = store.value(keys::rikKey).toString();
    values.rikPath = store.value(keys::rikPath).toString();
    values.grandKeySerial = store.value(keys::grandKeySerial).toString();
    values.grandKeyNumber = store.value(keys::grandKeyNumber).toString();
    values.grandPath = store.value(keys::grandPath).toString();
    return values;
}

bool saveGeneralValues(QSettings& store, const GeneralValues& values)
{
    // Writing the entry on every save also refreshes a path that changed
    // because the program was moved.
    const bool autostartDone = values.autostart ? writeAutostartEntry() : removeAutostartEntry();
    if (!autostartDone)
        ZV_ERROR() << "saveSetting: the autostart entry could not be "
                   << (values.autostart ? "written" : "removed");

    store.setValue(keys::generalAutostart, values.autostart);
    store.setValue(keys::generalOnlyNew, values.onlyNew);
    store.setValue(keys::generalCheckUpdateNumber, values.checkUpdateNumber);
    if (values.hoursOrDay == QLatin1String("h") || values.hoursOrDay == QLatin1String("d"))
        store.setValue(keys::generalHoursOrDay, values.hoursOrDay);
    store.setValue(keys::generalUseRik, values.useRik);
    store.setValue(keys::generalUseGrand, values.useGrand);
    store.setValue(keys::rikKey, values.rikKey);
    store.setValue(keys::rikPath, values.rikPath);
    store.setValue(keys::grandKeyNumber, values.grandKeyNumber);
    store.setValue(keys::grandKeySerial, values.grandKeySerial);
    store.setValue(keys::grandPath, values.grandPath);
    store.sync();
    return autostartDone;
}

} // namespace zv
