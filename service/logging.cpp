#include "service/logging.h"

#include <QDir>
#include <QStandardPaths>

namespace zv {

const QLoggingCategory& logDebug()
{
    static const QLoggingCategory category("Debug");
    return category;
}

const QLoggingCategory& logInfo()
{
    static const QLoggingCategory category("Info");
    return category;
}

const QLoggingCategory& logWarning()
{
    static const QLoggingCategory category("Warning");
    return category;
}

const QLoggingCategory& logCritical()
{
    static const QLoggingCategory category("Critical");
    return category;
}

const QLoggingCategory& logError()
{
    static const QLoggingCategory category("Error");
    return category;
}

QString supportLogFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

QString supportLogFilePath()
{
    return QDir(supportLogFolder()).filePath(QStringLiteral("zelvinorapa.log"));
}

} // namespace zv
