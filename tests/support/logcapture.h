#pragma once

#include <QStringList>

namespace zv::test {

// Collects every log line of the process as "<category>: <message>" while it
// lives, so a test can check what an operation logged and where.
class LogCapture
{
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    QStringList lines() const;
    bool contains(const QString& category, const QString& fragment) const;
    void clear();
};

} // namespace zv::test
