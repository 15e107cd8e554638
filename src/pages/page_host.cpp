#include "page_host.h"

#include <QWidget>

namespace lumivex {

PageHost* PageHost::of(const QWidget* widget)
{
    return widget ? dynamic_cast<PageHost*>(widget->window()) : nullptr;
}

}  // namespace lumivex
