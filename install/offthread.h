#pragma once

#include <QEventLoop>
#include <QObject>
#include <QThread>

#include <functional>
#include <utility>

namespace zv {

// Work that would hold the window up for longer than a moment (a dBASE table
// of thousands of records read or written back), started now on a thread of
// its own and waited for later, so it can run while the caller waits for
// something else (the service's answers). wait() turns the event loop, so the
// window keeps repainting and answering meanwhile. The work must touch no
// widget and nothing the event loop could change before wait() returns. When
// the application quits during the wait, the work is still waited for: a
// table is never left half written.
class OffThreadWork
{
public:
    explicit OffThreadWork(std::function<void()> work) : m_thread(QThread::create(std::move(work)))
    {
        // Connected before the start, and delivered on this thread: the end
        // is never missed, whichever event loop turns when it comes.
        QObject::connect(m_thread, &QThread::finished, &m_context, [this] {
            m_done = true;
            if (m_loop)
                m_loop->quit();
        });
        m_thread->start();
    }
    ~OffThreadWork()
    {
        m_thread->wait();
        delete m_thread;
    }
    OffThreadWork(const OffThreadWork&) = delete;
    OffThreadWork& operator=(const OffThreadWork&) = delete;

    void wait()
    {
        if (!m_done) {
            QEventLoop loop;
            m_loop = &loop;
            loop.exec();
            m_loop = nullptr;
        }
        m_thread->wait();
    }

private:
    QObject m_context;
    QThread* m_thread;
    bool m_done = false;
    QEventLoop* m_loop = nullptr;
};

// Runs work off the loop's thread and waits for it there.
inline bool runOffThread(const std::function<bool()>& work)
{
    bool result = false;
    OffThreadWork running([&result, &work] { result = work(); });
    running.wait();
    return result;
}

} // namespace zv
