#pragma once

#include "property_page.h"

namespace lumivex {

// Setting tab: input source, power, OSD lock, GPIO and maintenance commands.
class Image : public PropertyPage {
    Q_OBJECT
public:
    static constexpr int kDialogId = 129;
    static constexpr int kRefreshId = 1166;
    // The input source read decides whether the DDC/CI read-back worked.
    static constexpr uint8_t kGuardVcp = 0x60;

    explicit Image(QWidget* parent = nullptr);

protected:
    void connectControls() override;
    void activatePage(PageHost& host) override;
};

}  // namespace lumivex
