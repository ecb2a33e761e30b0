#pragma once

#include <QEventLoop>
#include <QThread>

#include <functional>

namespace zv {

// Runs work that would hold the window up for longer than a moment (a
// dBASE table of thousands of records read and written back) on a thread
// of its own, while the caller waits in a local event loop, so the window
// keeps repainting and answering. work must touch no widget and nothing
// the event loop could change meanwhile. When the application quits during
// the wait, the work is still waited for: a table is never left half
// written.
inline bool runOffThread(const std::function<bool()>& work)
{
    bool result = false;
    QEventLoop loop;
    QThread* const thread = QThread::create([&result, &work] { result = work(); });
    QObject::connect(thread, &QThread::finished, &loop, &QEventLoop::quit);
    thread->start();
    loop.exec();
    thread->wait();
    delete thread;
    return result;
}

} // namespace zv
