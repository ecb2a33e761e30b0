#pragma once

#include <QString>

class QSettings;

namespace zv {

// What the general page edits, as it stands in its controls.
struct GeneralValues
{
    bool autostart = false;
    bool onlyNew = false;
    QString checkUpdateNumber;
    // "h", "d", or empty when neither unit is chosen (the stored key is then
    // left as it is on saving).
    QString hoursOrDay;
    bool useRik = false;
    bool useGrand = false;
    QString rikKey;
    QString rikPath;
    QString grandKeySerial;
    QString grandKeyNumber;
    QString grandPath;
};

// Reads the general/*, rik/* and grand/* keys; a missing key reads as false or
// empty. A hoursorday value other than "h" or "d" reads as empty.
GeneralValues loadGeneralValues(const QSettings& store);

// First the autostart entry (written with the executable's path when autostart
// is on, removed when off), then the keys in the order the store receives
// them. Texts are stored as typed. False when the autostart entry could not
// be changed; the keys are written regardless.
bool saveGeneralValues(QSettings& store, const GeneralValues& values);

} // namespace zv
