#include "app/supportlog.h"

#include "service/logging.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QRegularExpression>

#include <cstdio>
#include <memory>

namespace zv {
namespace {

QString rotatedName(const QString& folder, int generation)
{
    return QDir(folder).filePath(SupportLog::fileName + QLatin1Char('.') +
                                 QString::number(generation));
}

struct InstalledLog
{
    std::unique_ptr<SupportLog> log;
    QtMessageHandler previous = nullptr;
    QMutex mutex;
};

InstalledLog& installed()
{
    static InstalledLog state;
    return state;
}

bool isClientCategory(const char* category)
{
    static const QStringList names = {QStringLiteral("Debug"), QStringLiteral("Info"),
                                      QStringLiteral("Warning"), QStringLiteral("Critical"),
                                      QStringLiteral("Error")};
    return category && names.contains(QLatin1String(category));
}

void handleMessage(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    InstalledLog& state = installed();
    if (state.previous)
        state.previous(type, context, message);
    else
        fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
    if (!isClientCategory(context.category))
        return;
    const QString line =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz ")) +
        QLatin1String(context.category) + QStringLiteral(": ") + message;
    QMutexLocker lock(&state.mutex);
    if (state.log)
        state.log->append(line);
}

} // namespace

SupportLog::SupportLog(const QString& folder, qint64 maxBytes, int keptOldFiles)
    : m_folder(folder), m_maxBytes(maxBytes), m_keptOldFiles(keptOldFiles)
{
}

bool SupportLog::append(const QString& line) const
{
    if (!QDir().mkpath(m_folder))
        return false;
    const QByteArray bytes = maskCredentials(line).toUtf8() + '\n';
    const QString path = QDir(m_folder).filePath(fileName);
    const qint64 size = QFileInfo(path).size();
    if (size > 0 && size + bytes.size() > m_maxBytes)
        rotate();
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    return file.write(bytes) == bytes.size();
}

void SupportLog::rotate() const
{
    QFile::remove(rotatedName(m_folder, m_keptOldFiles));
    for (int generation = m_keptOldFiles - 1; generation >= 1; --generation)
        QFile::rename(rotatedName(m_folder, generation), rotatedName(m_folder, generation + 1));
    const QString current = QDir(m_folder).filePath(fileName);
    if (m_keptOldFiles > 0)
        QFile::rename(current, rotatedName(m_folder, 1));
    else
        QFile::remove(current);
}

QString maskCredentials(const QString& text)
{
    static const QRegularExpression credentials(
        QStringLiteral("((?:[A-Za-z][A-Za-z0-9+.-]*://)?)[^\\s/:@]+:[^\\s/@]*@"));
    QString masked = text;
    masked.replace(credentials, QStringLiteral("\\1***:***@"));
    return masked;
}

void installSupportLog()
{
    InstalledLog& state = installed();
    {
        QMutexLocker lock(&state.mutex);
        state.log = std::make_unique<SupportLog>(supportLogFolder());
    }
    state.previous = qInstallMessageHandler(handleMessage);
}

} // namespace zv
