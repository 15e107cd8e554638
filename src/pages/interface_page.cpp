#include "interface_page.h"

namespace lumivex {

System::System(QWidget* parent)
    : PropertyPage(kDialogId, parent)
{
}

}  // namespace lumivex
