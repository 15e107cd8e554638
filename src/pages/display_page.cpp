#include "display_page.h"

namespace lumivex {

OSD_Color::OSD_Color(QWidget* parent)
    : PropertyPage(kDialogId, parent)
{
}

}  // namespace lumivex
