#include "cross_thread_messages.h"

#include <QThread>

namespace lumivex {

CrossThreadMessages::CrossThreadMessages(MessageService& shown)
    : m_shown(shown)
{
}

void CrossThreadMessages::info(const QString& text)
{
    askOnHome([this, &text] { m_shown.info(text); });
}

bool CrossThreadMessages::askYesNo(const QString& text)
{
    bool yes = false;
    askOnHome([this, &text, &yes] { yes = m_shown.askYesNo(text); });
    return yes;
}

void CrossThreadMessages::askOnHome(const std::function<void()>& show)
{
    if (QThread::currentThread() == m_home.thread()) {
        show();
        return;
    }
    // The hand-over lock orders what each side wrote before and after the
    // box for any checker that does not see inside the event queue.
    { std::lock_guard handOver(m_handOver); }
    QMetaObject::invokeMethod(
        &m_home,
        [this, &show] {
            std::lock_guard handOver(m_handOver);
            show();
        },
        Qt::BlockingQueuedConnection);
    { std::lock_guard handOver(m_handOver); }
}

}  // namespace lumivex
