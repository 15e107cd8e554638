// The link's worker: jobs in the order handed over, and busy while one
// runs even when none is queued behind it.

#include "link/link_worker.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <string>

using lumivex::LinkWorker;

namespace {

// Holds a job until the test opens it.
class Gate {
public:
    void wait()
    {
        std::unique_lock lock(m_lock);
        m_opened.wait(lock, [this] { return m_open; });
    }
    void open()
    {
        {
            std::lock_guard lock(m_lock);
            m_open = true;
        }
        m_opened.notify_all();
    }

private:
    std::mutex m_lock;
    std::condition_variable m_opened;
    bool m_open = false;
};

}  // namespace

TEST(LinkWorker, RunsJobsInTheOrderHandedOverAndIsBusyWhileOneRuns)
{
    LinkWorker worker;
    Gate started;
    Gate release;
    std::string order;  // written on the worker only, read once run() is back
    worker.post([&] {
        started.open();
        release.wait();
        order += '1';
    });
    started.wait();
    EXPECT_FALSE(worker.isIdle()) << "a job is running, none queued";
    worker.post([&] { order += '2'; });
    release.open();
    worker.run([&] { order += '3'; });
    EXPECT_EQ(order, "123");
    EXPECT_TRUE(worker.isIdle());
}
