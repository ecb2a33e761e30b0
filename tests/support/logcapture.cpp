#include "logcapture.h"

#include <QtGlobal>

namespace zv::test {
namespace {
QStringList& captured()
{
    static QStringList lines;
    return lines;
}
QtMessageHandler& previous()
{
    static QtMessageHandler handler = nullptr;
    return handler;
}
void capture(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    captured().append(QString::fromLatin1(context.category ? context.category : "default") +
                      QStringLiteral(": ") + message);
    if (previous())
        previous()(type, context, message);
}
} // namespace

LogCapture::LogCapture()
{
    captured().clear();
    previous() = qInstallMessageHandler(capture);
}

LogCapture::~LogCapture()
{
    qInstallMessageHandler(previous());
}

QStringList LogCapture::lines() const
{
    return captured();
}

bool LogCapture::contains(const QString& category, const QString& fragment) const
{
    for (const QString& line : captured()) {
        if (line.startsWith(category + QStringLiteral(": ")) && line.contains(fragment))
            return true;
    }
    return false;
}

void LogCapture::clear()
{
    captured().clear();
}

} // namespace zv::test
