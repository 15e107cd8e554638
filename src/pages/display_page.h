#pragma once

#include "property_page.h"

namespace lumivex {

// Display tab: resolution, wall layout and bezel mask of the video wall.
class OSD_Color : public PropertyPage {
    Q_OBJECT
public:
    static constexpr int kDialogId = 137;
    static constexpr int kRefreshId = 1173;
    // The bezel mask read decides whether the DDC/CI read-back worked.
    static constexpr uint8_t kGuardVcp = 0xB2;

    explicit OSD_Color(QWidget* parent = nullptr);

protected:
    void connectControls() override;
    void activatePage(PageHost& host) override;
};

}  // namespace lumivex
