// The Run value of the current user that Windows reads at log-on.
#include <QtGlobal>
#ifdef Q_OS_WIN
#include "settings/autostart.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>

namespace zv {
namespace {

const QString runKey =
    QStringLiteral("HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run");
const QString valueName = QStringLiteral("zelvinoraPA");

} // namespace

bool writeAutostartEntry()
{
    QSettings run(runKey, QSettings::NativeFormat);
    run.setValue(valueName, QDir::toNativeSeparators(QCoreApplication::applicationFilePath()));
    run.sync();
    return run.status() == QSettings::NoError;
}

bool removeAutostartEntry()
{
    QSettings run(runKey, QSettings::NativeFormat);
    run.remove(valueName);
    run.sync();
    return run.status() == QSettings::NoError && !run.contains(valueName);
}

bool autostartEntryExists()
{
    return QSettings(runKey, QSettings::NativeFormat).contains(valueName);
}

QString autostartEntryValue()
{
    return QSettings(runKey, QSettings::NativeFormat).value(valueName).toString();
}

} // namespace zv
#endif
