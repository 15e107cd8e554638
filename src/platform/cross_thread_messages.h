#pragma once
// The message service as another thread may use it: each box is shown on
// the thread the service belongs to, and the caller waits for its answer,
// so the boxes keep the order the rules raise them in.

#include "message_service.h"

#include <QObject>

#include <functional>
#include <mutex>

namespace lumivex {

class CrossThreadMessages final : public MessageService {
public:
    // Belongs to the calling thread, which must run an event loop whenever
    // another thread may be waiting on a box.
    explicit CrossThreadMessages(MessageService& shown);

    void info(const QString& text) override;
    bool askYesNo(const QString& text) override;

private:
    void askOnHome(const std::function<void()>& show);

    MessageService& m_shown;
    std::mutex m_handOver;
    QObject m_home;  // lives on the owning thread
};

}  // namespace lumivex
