#include "setting_page.h"

#include "activation_read_back.h"
#include "link_state.h"
#include "page_host.h"

namespace lumivex {

Image::Image(QWidget* parent)
    : PropertyPage(kDialogId, EnterKey::Swallowed, parent)
{
}

void Image::connectControls()
{
    setRefreshButton(kRefreshId);
}

void Image::activatePage(PageHost& host)
{
    ReadBackSteps steps;
    steps.readDdc = [](LinkState& link) {
        uint32_t source = 0;
        return link.readVcp(kGuardVcp, source) == 0;
    };
    steps.readSerial = [](LinkState& link) { return link.readBackSettings().has_value(); };
    // The page shows what it cleared at once and leaves the rest.
    steps.failureEndsActivation = true;
    runActivationReadBack(host.link(), host.messages(), steps);
}

}  // namespace lumivex
