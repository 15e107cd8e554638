#pragma once
// What a page reaches through the window it sits in: the link state, the
// message boxes, the settings file, the model found by the model query, and
// the query itself. The sheet is the host; a page looks it up anew at every
// activation.

#include <cstdint>

class QWidget;

namespace lumivex {

class IniProfile;
class LinkState;
class MessageService;

class PageHost {
public:
    // Model index before any model query has answered.
    static constexpr int32_t kNoModel = -1;

    virtual LinkState& link() = 0;
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
