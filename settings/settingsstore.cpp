#include "settings/settingsstore.h"

#include "settings/settingsstoretext.h"

#include <QIODevice>

#ifndef Q_OS_WIN
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
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
            const QByteArray text = storeText(map);
            return device.write(text) == text.size();
        },
        Qt::CaseSensitive);
    return format;
#endif
}

#ifndef Q_OS_WIN
namespace {
// The store holds the proxy password, so only its owner may read it. The file
// is made owner-only before Qt first writes it (Qt's writer gives the file it
// replaces that file's mode), and a wider file of an older version is
// narrowed.
void keepStoreOwnerOnly()
{
    const QString path = QSettings().fileName();
    QDir().mkpath(QFileInfo(path).path());
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd >= 0)
        ::close(fd);
    ::chmod(name.constData(), S_IRUSR | S_IWUSR);
}
} // namespace
#endif

void installSettingsFormat()
{
    QSettings::setDefaultFormat(settingsFormat());
#ifndef Q_OS_WIN
    keepStoreOwnerOnly();
#endif
}

} // namespace zv
