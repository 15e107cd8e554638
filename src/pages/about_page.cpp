#include "about_page.h"

namespace lumivex {

OSD_About::OSD_About(QWidget* parent)
    : PropertyPage(kDialogId, parent)
{
}

}  // namespace lumivex
