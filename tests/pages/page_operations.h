#pragma once
// What the operator does on the Display and Setting pages, as data and
// drivers shared by the page tests of every link: the simulated library,
// the serial line and the real DDC/CI stack.

#include "pages/display_page.h"
#include "controls/image_button.h"
#include "page_fixture.h"
#include "recording_ddc.h"
#include "pages/setting_page.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>

#include <string>
#include <vector>

namespace lumivex::testing {

struct Row {
    const char* name;
    int control;
    std::vector<bool> answers;  // to the questions asked, in order
    QStringList messages;
    RecordingDdc::Call write;   // under DDC/CI
    std::vector<uint8_t> frame;                // under the serial link
    int rotation = -1;          // the page's rotation afterwards; -1 where the row leaves it
};

inline const QString kOff = "ZEPTA device will be turn off,press ALT+P will be turn on";
inline const QString kReset = "System will load factory setting";
inline const QString kAdjust = "Screen will auto adjust";
constexpr uint32_t kHandle = RecordingDdc::kFirstHandle;

// In this order: the GPO rows follow each other from a fresh start, and
// "Auto Adjust" comes after "VGA".
inline const Row kRows[] = {
    {"VGA", Image::kVgaId, {}, {}, {kHandle, 0x60, 0}, {0x04, 0x1B, 0x00, 0xE1}},
    {"Component", Image::kComponentId, {}, {}, {kHandle, 0x60, 1}, {0x04, 0x1B, 0x01, 0xE0}},
    {"DVI", Image::kDviId, {}, {}, {kHandle, 0x60, 2}, {0x04, 0x1B, 0x02, 0xDF}},
    {"VGA again", Image::kVgaId, {}, {}, {kHandle, 0x60, 0}, {0x04, 0x1B, 0x00, 0xE1}},
    {"OFF", Image::kPowerOffId, {true}, {kOff}, {kHandle, 0xD6, 0}, {0x04, 0x1C, 0x00, 0xE0}},
    {"ON", Image::kPowerOnId, {}, {}, {kHandle, 0xD6, 1}, {0x04, 0x1C, 0x01, 0xDF}},
    {"Factory Reset", Image::kFactoryResetId, {true}, {kReset}, {kHandle, 0x04, 1}, {0x04, 0x01, 0x01, 0xFA}},
    {"Auto Adjust", Image::kAutoAdjustId, {true}, {kAdjust}, {kHandle, 0xEC, 1}, {0x04, 0x01, 0x00, 0xFB}},
    {"UNLOCK", Image::kUnlockId, {}, {}, {kHandle, 0xFC, 0}, {0x04, 0x02, 0x00, 0xFA}},
    {"LOCK", Image::kLockId, {}, {}, {kHandle, 0xFC, 1}, {0x04, 0x02, 0x01, 0xF9}},
    {"Rotation", Image::kRotationId, {}, {}, {kHandle, 0xFC, 3}, {0x04, 0x02, 0x03, 0xF7}, 1},
    {"Normal", Image::kNormalId, {}, {}, {kHandle, 0xFC, 2}, {0x04, 0x02, 0x02, 0xF8}, 0},
    {"GPO-2", Image::kFirstGpoId + 1, {}, {}, {kHandle, 0xB3, 0x02}, {0x04, 0x05, 0x02, 0xF5}},
    {"GPO-4", Image::kFirstGpoId + 3, {}, {}, {kHandle, 0xB3, 0x0A}, {0x04, 0x05, 0x0A, 0xED}},
    {"GPO-2 off", Image::kFirstGpoId + 1, {}, {}, {kHandle, 0xB3, 0x08}, {0x04, 0x05, 0x08, 0xEF}},
    {"Identify Monitors", Image::kIdentifyId, {}, {}, {kHandle, 0xFB, 0}, {0x05, 0x02, 0x04, 0x00, 0xF5}},
};

// The Rotation pair is hidden and disabled, as it always was; pressed all
// the same, so the handler behind it is tried.
inline void click(PageFixture& f, int id)
{
    auto* button = f.sheet.settingPage()->control<QAbstractButton>(id);
    if (id == Image::kNormalId || id == Image::kRotationId)
        button->setEnabled(true);
    button->click();
}

struct DisplayDriver {
    PageFixture& f;
    OSD_Color& page() { return *f.sheet.displayPage(); }
    void choose(int listId, int index)
    {
        auto* list = page().control<QComboBox>(listId);
        list->setCurrentIndex(index);
        emit list->activated(index);
    }
    void click(int id) { page().control<QAbstractButton>(id)->click(); }
    void type(int id, const QString& text) { page().control<QLineEdit>(id)->setText(text); }
    QString text(int id) { return page().control<QLineEdit>(id)->text(); }
    void sizes(const QString& bezelW, const QString& viewW, const QString& bezelH, const QString& viewH)
    {
        type(OSD_Color::kBezelWidthId, bezelW);
        type(OSD_Color::kViewableWidthId, viewW);
        type(OSD_Color::kBezelHeightId, bezelH);
        type(OSD_Color::kViewableHeightId, viewH);
    }
    // What the operator does in every link's run: a 2.5 % by 3 % mask,
    // a resolution, a layout, the mask on and off, then a 30 % mask off.
    void operate()
    {
        f.showTab(1);
        sizes("10", "400", "12", "400");
        click(OSD_Color::kCalculateId);
        choose(OSD_Color::kResolutionListId, 3);
        choose(OSD_Color::kDisplayModeListId, 2);
        click(OSD_Color::kMaskOnId);
        click(OSD_Color::kMaskOffId);
        sizes("120", "400", "120", "400");
        click(OSD_Color::kCalculateId);
        click(OSD_Color::kMaskOffId);
    }
};

inline const QStringList kOperateMessages{"Out of range,Maximum mask percent is 10%"};

// The VCP writes operate() makes on a K420: 25 x 256 + 30 with and
// without the ON bit; 300 tenths are held to their fields and never reach
// the ON bit.
inline const std::vector<std::string> kOperateWritesOnK420{"0xB0=0x0003", "0xB1=0x0002", "0xB2=0x991E", "0xB2=0x191E",
                                                     "0xB2=0x7FFF"};

}  // namespace lumivex::testing
