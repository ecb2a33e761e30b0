#include "settings/settingsstore.h"

#include "settings/settingsstoretext.h"

#include <QIODevice>

namespace zv {

QSettings::Format settingsFormat()
{
#ifdef Q_OS_WIN
    return QSettings::NativeFormat;
#else
    static const QSettings::Format format = QSettings::registerFormat(
        QStringLiteral("conf"),
        [](QIODevice& device, QSettings::SettingsMap& map) {
            // A damaged line costs that line only: answering false would make
            // the whole store read as empty, and the next start would take
            // itself for a first run.
            readStoreText(device.readAll(), map);
            return true;
        },
        [](QIODevice& device, const QSettings::SettingsMap& map) {
            const QByteArray text = storeText(map);
            return device.write(text) == text.size();
        },
        Qt::CaseSensitive);
    return format;
#endif
}

void installSettingsFormat()
{
    QSettings::setDefaultFormat(settingsFormat());
}

} // namespace zv
