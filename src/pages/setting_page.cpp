#include "setting_page.h"

namespace lumivex {

Image::Image(QWidget* parent)
    : PropertyPage(kDialogId, parent)
{
}

}  // namespace lumivex
