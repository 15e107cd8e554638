#pragma once
// While a window waits on its link, what the operator does to it (clicks,
// keys, closing it, a system-wide hotkey) is held and replayed afterwards
// in the order it came, so it lands behind the pending work and never in
// the middle of it. Repaints, moves and accessibility queries go on.

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <deque>

class QEvent;
class QWidget;

namespace lumivex {

class BusyInputQueue : public QObject {
public:
    explicit BusyInputQueue(QWidget& window);
    ~BusyInputQueue() override;

    // Nested holds count; after the last release, what was held is
    // replayed from the event loop, once the waiting code has gone on.
    void hold();
    void release();
    bool holding() const { return m_depth > 0; }
    bool holdingMoreThanOnce() const { return m_depth > 1; }

    // Runs now when nothing is held, else in turn with what is.
    void whenFree(std::function<void()> call);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Held {
        QPointer<QObject> receiver;
        std::unique_ptr<QEvent> event;  // null for a call
        std::function<void()> call;
    };

    void filter(bool on);
    void scheduleReplay();
    void replay();

    QWidget& m_window;
    int m_depth = 0;
    bool m_filtering = false;
    bool m_replayScheduled = false;
    bool m_delivering = false;
    std::deque<Held> m_held;
};

}  // namespace lumivex
