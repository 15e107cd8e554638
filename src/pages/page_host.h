#pragma once
// What a page reaches through the window it sits in: the link (through
// its worker), the message boxes, the settings file, the model found by the
// model query, and the query itself. The sheet is the host; a page looks it
// up anew at every activation.

#include <cstdint>
#include <functional>

class QWidget;

namespace lumivex {

class IniProfile;
struct Command;
class LinkState;
class MessageService;

class PageHost {
public:
    // Model index before any model query has answered.
    static constexpr int32_t kNoModel = -1;

    // Runs the job on the link's worker, with the link and a message
    // service that may be used there, and returns when it is done. The
    // window repaints meanwhile; what the operator does to it waits.
    using LinkJob = std::function<void(LinkState& link, MessageService& messages)>;
    virtual void withLink(const LinkJob& job) = 0;
    // Moves the bytes that arrived into the receive buffer: at once when the
    // link is idle, else behind its work.
    virtual void drainLink() = 0;
    // Runs now, or once the link's pending work and the input held for it
    // are done, in turn.
    virtual void whenFree(std::function<void()> call) = 0;
    // One command over the link, through its worker.
    void send(const Command& command);

    virtual MessageService& messages() const = 0;
    virtual IniProfile& profile() const = 0;
    // 0 for K410, 1 for K420, kNoModel until a model query has answered.
    virtual int32_t modelIndex() const = 0;
    // Asks the open link which model answers and names it in the title.
    virtual void modelQuery() = 0;
    // The Display tab's layout selection, -1 before that tab was shown.
    virtual int displayLayoutSelection() = 0;

    // The host of the window the widget sits in, or null.
    static PageHost* of(const QWidget* widget);

protected:
    ~PageHost() = default;
};

}  // namespace lumivex
