#include "display_page.h"

#include "activation_read_back.h"
#include "link_state.h"
#include "page_host.h"

namespace lumivex {

OSD_Color::OSD_Color(QWidget* parent)
    : PropertyPage(kDialogId, EnterKey::Swallowed, parent)
{
}

void OSD_Color::connectControls()
{
    setRefreshButton(kRefreshId);
}

void OSD_Color::activatePage(PageHost& host)
{
    ReadBackSteps steps;
    steps.readDdc = [](LinkState& link) {
        uint32_t mask = 0;
        return link.readVcp(kGuardVcp, mask) == 0;
    };
    steps.readSerial = [](LinkState& link) { return link.readBackDisplay().has_value(); };
    runActivationReadBack(host.link(), host.messages(), steps);
}

}  // namespace lumivex
