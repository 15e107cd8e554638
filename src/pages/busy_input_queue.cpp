#include "pages/busy_input_queue.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

namespace lumivex {

namespace {

bool isOperatorInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
    case QEvent::Close:
        return true;
    default:
        return false;
    }
}

}  // namespace

BusyInputQueue::BusyInputQueue(QWidget& window)
    : m_window(window)
{
}

BusyInputQueue::~BusyInputQueue()
{
    if (m_filtering)
        qApp->removeEventFilter(this);
}

void BusyInputQueue::filter(bool on)
{
    if (on == m_filtering)
        return;
    m_filtering = on;
    if (on)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
}

void BusyInputQueue::hold()
{
    ++m_depth;
    filter(true);
}

void BusyInputQueue::release()
{
    if (m_depth == 0 || --m_depth > 0)
        return;
    if (m_held.empty())
        filter(false);
    else
        scheduleReplay();
}

void BusyInputQueue::whenFree(std::function<void()> call)
{
    if (m_depth == 0 && m_held.empty()) {
        call();
        return;
    }
    m_held.push_back({nullptr, nullptr, std::move(call)});
}

void BusyInputQueue::scheduleReplay()
{
    // Once the code that waited has taken its answer: what was held comes
    // after it, not in the middle of it.
    if (m_replayScheduled)
        return;
    m_replayScheduled = true;
    QMetaObject::invokeMethod(this, &BusyInputQueue::replay, Qt::QueuedConnection);
}

bool BusyInputQueue::eventFilter(QObject* watched, QEvent* event)
{
    // Only this window's input: a message box shown meanwhile takes its own.
    const auto* widget = qobject_cast<QWidget*>(watched);
    if ((m_delivering && m_depth == 0) || !widget || !isOperatorInput(event->type()) || widget->window() != &m_window)
        return false;
    if (event->type() == QEvent::Close && widget != &m_window)
        return false;
    m_held.push_back({watched, std::unique_ptr<QEvent>(event->clone()), {}});
    event->accept();
    return true;
}

void BusyInputQueue::replay()
{
    // In turn from the front: one that starts new work is held behind by
    // that work's own hold, and what is held meanwhile joins the back.
    m_replayScheduled = false;
    if (m_delivering)
        return;
    while (m_depth == 0 && !m_held.empty()) {
        Held next = std::move(m_held.front());
        m_held.pop_front();
        m_delivering = true;
        if (next.call)
            next.call();
        else if (next.receiver)
            QCoreApplication::sendEvent(next.receiver, next.event.get());
        m_delivering = false;
    }
    if (m_depth == 0 && m_held.empty())
        filter(false);
}

}  // namespace lumivex
