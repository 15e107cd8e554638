#include "platform/cross_thread_messages.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>

namespace lumivex {

// Receives the plain event that says a request is waiting. The request
// itself goes through the lock, never inside the event, so the hand-over is
// ordered where any checker can see it.
class CrossThreadMessages::Home final : public QObject {
public:
    explicit Home(CrossThreadMessages& owner) : m_owner(owner) {}

protected:
    bool event(QEvent* event) override
    {
        // The lock first: the event was made on the asking thread.
        std::unique_lock lock(m_owner.m_lock);
        if (event->type() != kServe) {
            lock.unlock();
            return QObject::event(event);
        }
        m_owner.serve(lock);
        return true;
    }

private:
    CrossThreadMessages& m_owner;

public:
    static inline const QEvent::Type kServe = static_cast<QEvent::Type>(QEvent::registerEventType());
};

CrossThreadMessages::CrossThreadMessages(MessageService& shown)
    : m_shown(shown)
    , m_home(new Home(*this))
{
}

CrossThreadMessages::~CrossThreadMessages()
{
    delete m_home;
}

void CrossThreadMessages::info(const QString& text)
{
    showOnHome([this, &text] { m_shown.info(text); });
}

// A notice stays a notice on the way, for a service that keeps them apart.
void CrossThreadMessages::notice(const QString& text)
{
    showOnHome([this, &text] { m_shown.notice(text); });
}

bool CrossThreadMessages::askYesNo(const QString& text)
{
    bool yes = false;
    showOnHome([this, &text, &yes] { yes = m_shown.askYesNo(text); });
    return yes;
}

void CrossThreadMessages::showOnHome(const std::function<void()>& show)
{
    if (QThread::currentThread() == m_home->thread()) {
        show();
        return;
    }
    Request request{&show};
    QEvent* serve = nullptr;
    {
        std::lock_guard lock(m_lock);
        serve = new QEvent(Home::kServe);
        m_requests.push_back(&request);
    }
    QCoreApplication::postEvent(m_home, serve);
    std::unique_lock lock(m_lock);
    m_shownOne.wait(lock, [&request] { return request.done; });
}

void CrossThreadMessages::serve(std::unique_lock<std::mutex>& lock)
{
    while (!m_requests.empty()) {
        Request* request = m_requests.front();
        m_requests.pop_front();
        lock.unlock();
        (*request->show)();
        lock.lock();
        request->done = true;
        m_shownOne.notify_all();
    }
}

}  // namespace lumivex
