#pragma once

#include "property_page.h"

namespace lumivex {

// Display tab: resolution, wall layout and bezel mask of the video wall.
class OSD_Color : public PropertyPage {
    Q_OBJECT
public:
    static constexpr int kDialogId = 137;
    explicit OSD_Color(QWidget* parent = nullptr);
};

}  // namespace lumivex
