#pragma once
// The thread that does a link's I/O: jobs run there one at a time, in the
// order they were handed over. run() hands one over and waits for it while
// the calling thread goes on processing its events, so a window that waits
// on a slow bus still repaints, moves and answers.

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace lumivex {

class LinkWorker {
public:
    LinkWorker();
    // Lets the job under way finish, drops the rest and joins.
    ~LinkWorker();
    LinkWorker(const LinkWorker&) = delete;
    LinkWorker& operator=(const LinkWorker&) = delete;

    // Runs the job on the worker and returns when it is done. Meanwhile the
    // calling thread's event loop runs (it needs one: the end of the job is
    // an event posted to it). Called on the worker itself, it runs the job
    // at once.
    void run(const std::function<void()>& job);
    // Queues the job behind the others and returns at once.
    void post(std::function<void()> job);

    // No job running or queued: what the worker owns may be touched by
    // the thread that hands it jobs until it hands over the next one.
    bool isIdle() const;
    bool onWorkerThread() const { return std::this_thread::get_id() == m_thread.get_id(); }

private:
    struct Job {
        std::function<void()> work;
        std::function<void()> done;  // after the worker is idle again, if given
    };
    void loop();

    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    std::deque<Job> m_jobs;
    bool m_running = false;  // a job is under way
    bool m_stopping = false;
    std::thread m_thread;
};

}  // namespace lumivex
