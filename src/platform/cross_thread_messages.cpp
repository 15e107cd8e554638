#include "cross_thread_messages.h"

#include <QThread>

namespace lumivex {

CrossThreadMessages::CrossThreadMessages(MessageService& shown)
    : m_shown(shown)
{
}

void CrossThreadMessages::info(const QString& text)
{
    if (QThread::currentThread() == m_home.thread()) {
        m_shown.info(text);
        return;
    }
    QMetaObject::invokeMethod(&m_home, [this, &text] { m_shown.info(text); }, Qt::BlockingQueuedConnection);
}

bool CrossThreadMessages::askYesNo(const QString& text)
{
    if (QThread::currentThread() == m_home.thread())
        return m_shown.askYesNo(text);
    bool yes = false;
    QMetaObject::invokeMethod(&m_home, [this, &text, &yes] { yes = m_shown.askYesNo(text); },
                              Qt::BlockingQueuedConnection);
    return yes;
}

}  // namespace lumivex
