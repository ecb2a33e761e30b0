#pragma once

#include <QStringList>

#include <algorithm>

namespace zv::test {

// Collects every log line of the process as "<category>: <message>" while it
// lives, so a test can check what an operation logged and where.
class LogCapture
{
public:
    LogCapture()
    {
        s_lines.clear();
        s_previous = qInstallMessageHandler(capture);
    }
    ~LogCapture() { qInstallMessageHandler(s_previous); }

    QStringList lines() const { return s_lines; }
    bool contains(const QString& category, const QString& fragment) const
    {
        return std::any_of(s_lines.cbegin(), s_lines.cend(), [&](const QString& line) {
            return line.startsWith(category + QStringLiteral(": ")) && line.contains(fragment);
        });
    }

private:
    static void capture(QtMsgType type, const QMessageLogContext& context, const QString& message)
    {
        s_lines << QString::fromLatin1(context.category ? context.category : "default") + ": " + message;
        if (s_previous)
            s_previous(type, context, message);
    }

    static inline QStringList s_lines;
    static inline QtMessageHandler s_previous = nullptr;
};

} // namespace zv::test
