#pragma once

#include "property_page.h"

namespace lumivex {

// Setting tab: input source, power, OSD lock, GPIO and maintenance commands.
class Image : public PropertyPage {
    Q_OBJECT
public:
    static constexpr int kDialogId = 129;
    explicit Image(QWidget* parent = nullptr);
};

}  // namespace lumivex
