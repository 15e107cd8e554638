#include "about_page.h"

namespace lumivex {

OSD_About::OSD_About(QWidget* parent)
    : PropertyPage(kDialogId, EnterKey::Passed, parent)
{
}

}  // namespace lumivex
