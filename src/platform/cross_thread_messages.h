#pragma once
// The message service as another thread may use it: each box is shown on
// the thread the service belongs to, and the caller waits for its answer,
// so the boxes keep the order the rules raise them in.

#include "platform/message_service.h"

#include <QObject>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace lumivex {

class CrossThreadMessages final : public MessageService {
public:
    // Belongs to the calling thread, which must run an event loop whenever
    // another thread may be waiting on a box.
    explicit CrossThreadMessages(MessageService& shown);
    ~CrossThreadMessages() override;

    void info(const QString& text) override;
    void notice(const QString& text) override;
    bool askYesNo(const QString& text) override;

private:
    // A box asked for by another thread, and whether it has been shown.
    struct Request {
        const std::function<void()>* show;
        bool done = false;
    };
    class Home;

    void showOnHome(const std::function<void()>& show);
    // Shows what is asked for, the lock held between boxes.
    void serve(std::unique_lock<std::mutex>& lock);

    MessageService& m_shown;
    std::mutex m_lock;
    std::condition_variable m_shownOne;
    std::deque<Request*> m_requests;
    Home* m_home;  // lives on the owning thread
};

}  // namespace lumivex
