#include "link/link_worker.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>

#include <atomic>

namespace lumivex {

LinkWorker::LinkWorker()
    : m_thread([this] { loop(); })
{
}

LinkWorker::~LinkWorker()
{
    {
        std::lock_guard lock(m_lock);
        m_stopping = true;
        m_jobs.clear();
    }
    m_wake.notify_all();
    m_thread.join();
}

void LinkWorker::post(std::function<void()> job)
{
    {
        std::lock_guard lock(m_lock);
        m_jobs.push_back({std::move(job), {}});
    }
    m_wake.notify_one();
}

void LinkWorker::run(const std::function<void()>& job)
{
    if (onWorkerThread()) {
        job();
        return;
    }
    QEventLoop waiting;
    // What the job wrote is the caller's once this is seen set.
    std::atomic<bool> finished{false};
    // The quit is an event for this thread: it ends this loop, whatever
    // loops (a message box) run inside it meanwhile. It is sent once the
    // worker counts as idle again, so isIdle() after run() never sees this
    // job still running.
    {
        std::lock_guard lock(m_lock);
        m_jobs.push_back({job, [&waiting, &finished] {
                              finished.store(true, std::memory_order_release);
                              QCoreApplication::postEvent(&waiting, new QEvent(QEvent::Quit));
                          }});
    }
    m_wake.notify_one();
    // Always entered, however quick the job: the loop must outlive the
    // quit that is posted to it.
    do
        waiting.exec();
    while (!finished.load(std::memory_order_acquire));
}

bool LinkWorker::isIdle() const
{
    std::lock_guard lock(m_lock);
    return !m_running && m_jobs.empty();
}

void LinkWorker::loop()
{
    std::unique_lock lock(m_lock);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
        if (m_stopping)
            return;
        Job job = std::move(m_jobs.front());
        m_jobs.pop_front();
        m_running = true;
        lock.unlock();
        job.work();
        lock.lock();
        m_running = false;
        if (job.done) {
            lock.unlock();
            job.done();
            lock.lock();
        }
    }
}

}  // namespace lumivex
