#pragma once

#include "property_page.h"

namespace lumivex {

// Interface tab: chooses, opens and closes the link to the controller.
class System : public PropertyPage {
    Q_OBJECT
public:
    static constexpr int kDialogId = 132;
    explicit System(QWidget* parent = nullptr);
};

}  // namespace lumivex
