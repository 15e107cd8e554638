#pragma once

#include "panel/display_rules.h"
#include "pages/property_page.h"

class QComboBox;
class QLineEdit;

namespace lumivex {

// Display tab: resolution, wall layout and bezel mask of the video wall.
class OSD_Color : public PropertyPage {
    Q_OBJECT
public:
    static constexpr int kDialogId = 137;
    static constexpr int kResolutionListId = 1156;
    static constexpr int kDisplayModeListId = 1159;
    static constexpr int kRefreshId = 1173;
    static constexpr int kMaskOffId = 1038;
    static constexpr int kMaskOnId = 1039;
    static constexpr int kHTenthsId = 1178;  // hidden: carries the tenths through the exchange
    static constexpr int kVTenthsId = 1180;
    static constexpr int kHPercentId = 1186;
    static constexpr int kVPercentId = 1187;
    static constexpr int kCalculateId = 1188;
    static constexpr int kViewableWidthId = 1189;
    static constexpr int kBezelWidthId = 1190;
    static constexpr int kViewableHeightId = 1193;
    static constexpr int kBezelHeightId = 1194;

    explicit OSD_Color(QWidget* parent = nullptr);

    const DisplayState& state() const { return m_state; }
    // The layout list's selection; -1 while it has none or the page was
    // never shown.
    int layoutSelection();

protected:
    void connectControls() override;
    void initialisePage() override;
    void activatePage(PageHost& host) override;

private:
    QComboBox* list(int id);
    QLineEdit* edit(int id);

    // The exchange with the controls, in the order the page has always
    // used; taking stops at the first size that is no number in range.
    void showState();
    bool takeState();

    void chooseResolution(int index);
    void chooseDisplayMode(int index);
    void setMask(int mode);
    void calculate();

    DisplayState m_state;
};

}  // namespace lumivex
