#include "app/shown_reporter.h"

#include <QDialog>
#include <QEvent>
#include <QTimer>

#include <time.h>

#include <cstdio>

namespace lumivex {

namespace {

class FirstPaintFilter : public QObject {
public:
    explicit FirstPaintFilter(QDialog& window)
        : m_window(window)
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!m_seen && watched == &m_window && event->type() == QEvent::Paint) {
            m_seen = true;
            timespec now{};
            clock_gettime(CLOCK_MONOTONIC, &now);
            std::printf("shown %lld\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
            std::fflush(stdout);
            QTimer::singleShot(0, &m_window, &QDialog::reject);
        }
        return false;
    }

private:
    QDialog& m_window;
    bool m_seen = false;
};

}  // namespace

void runUntilShown(QDialog& window)
{
    FirstPaintFilter filter(window);
    window.installEventFilter(&filter);
    window.exec();
    window.removeEventFilter(&filter);
}

}  // namespace lumivex
