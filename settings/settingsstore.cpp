#include "settings/settingsstore.h"

#include "settings/settingsstoretext.h"

#include <QIODevice>

#ifndef Q_OS_WIN
#include <QFile>
#include <QFileDevice>
#endif

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
            // The store holds the proxy password: the file that replaces
            // the store is its owner's alone from the first write on.
            if (auto* file = qobject_cast<QFileDevice*>(&device))
                file->setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
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
#ifndef Q_OS_WIN
    // A store written by an older version may be readable by all; a start
    // that is refused must still write nothing, so it is only narrowed.
    const QString path = QSettings().fileName();
    if (QFile::exists(path))
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
#endif
}

} // namespace zv
