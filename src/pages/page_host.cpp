#include "pages/page_host.h"

#include "link/link_state.h"

#include <QWidget>

namespace lumivex {

void PageHost::send(const Command& command)
{
    withLink([&command](LinkState& link, MessageService&) { link.send(command); });
}

PageHost* PageHost::of(const QWidget* widget)
{
    return widget ? dynamic_cast<PageHost*>(widget->window()) : nullptr;
}

}  // namespace lumivex
