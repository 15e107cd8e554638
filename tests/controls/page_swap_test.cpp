// The four pages are built from the skinned classes their templates name,
// set up as the pages use them.
#include "pages/about_page.h"
#include "pages/display_page.h"
#include "controls/image_button.h"
#include "pages/interface_page.h"
#include "pages/setting_page.h"
#include "controls/shade_button.h"
#include "controls/transparent_button.h"
#include "controls/transparent_group_box.h"
#include "controls/transparent_label.h"

#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QSignalSpy>

#include <memory>

namespace lumivex {
namespace {

std::vector<std::unique_ptr<PropertyPage>> allPages()
{
    std::vector<std::unique_ptr<PropertyPage>> pages;
    pages.push_back(std::make_unique<System>());
    pages.push_back(std::make_unique<OSD_Color>());
    pages.push_back(std::make_unique<Image>());
    pages.push_back(std::make_unique<OSD_About>());
    return pages;
}

bool isSkinned(const QWidget* widget)
{
    return qobject_cast<const CButtonST*>(widget) || qobject_cast<const CButtonTrans*>(widget)
        || qobject_cast<const CTGroupBox*>(widget) || qobject_cast<const CTransparentStatic*>(widget);
}

TEST(PageSwap, EveryControlIsTheClassItsTemplateNames)
{
    int skinned = 0;
    for (const auto& page : allPages()) {
        for (const ControlSpec& control : page->dialogTemplate().controls) {
            SCOPED_TRACE(testing::Message() << "dialog " << page->dialogId() << " control " << control.id);
            QWidget* widget = page->control(control.id);
            ASSERT_NE(widget, nullptr);
            EXPECT_EQ(widget->objectName(), QString::number(control.id));
            if (control.className.isEmpty()) {
                EXPECT_FALSE(isSkinned(widget));
                continue;
            }
            ++skinned;
            EXPECT_EQ(QString::fromLatin1(widget->metaObject()->className()),
                      QStringLiteral("lumivex::") + control.className);
        }
    }
    EXPECT_GT(skinned, 40);
}

TEST(PageSwap, ShadedButtonsCarryTheirIconsAndTheHotTextColour)
{
    for (const auto& page : allPages()) {
        page->show();
        for (const ControlSpec& control : page->dialogTemplate().controls) {
            auto* button = page->control<CShadeButtonST>(control.id);
            if (!button)
                continue;
            SCOPED_TRACE(testing::Message() << "dialog " << page->dialogId() << " control " << control.id);
            EXPECT_EQ(button->colour(CButtonST::Colour::HotText), QColor(0, 178, 0));
            EXPECT_EQ(button->iconSize(), QSize(32, 32)) << "icon " << control.iconId << " loaded";
            EXPECT_EQ(button->normalShade().width(), button->width()) << "shaded at its template size";
            EXPECT_EQ(button->normalShade().height(), button->height());
            const bool box = control.kind == ControlKind::AutoCheckBox || control.kind == ControlKind::CheckBox;
            EXPECT_EQ(button->isCheckBoxMode(), box);
            EXPECT_EQ(button->isTransparent(), control.transparent);
        }
    }
}

TEST(PageSwap, RadioButtonsKeepTheirGroups)
{
    Image setting;
    ASSERT_EQ(setting.radioGroups().size(), 4u);
    for (QButtonGroup* group : setting.radioGroups()) {
        for (QAbstractButton* button : group->buttons()) {
            auto* radio = qobject_cast<CButtonTrans*>(button);
            ASSERT_NE(radio, nullptr);
            EXPECT_EQ(radio->indicator(), CButtonTrans::Indicator::Radio);
        }
    }
    auto* vga = setting.control<CButtonTrans>(1053);
    auto* off = setting.control<CButtonTrans>(1056);
    ASSERT_TRUE(vga && off);
    vga->click();
    off->click();
    EXPECT_TRUE(vga->isChecked()) << "choosing a power state leaves the input source";
}

TEST(PageSwap, PictureButtonWorksWithoutItsPicture)
{
    OSD_About about;
    auto* picture = about.control<CButtonST>(1097);
    ASSERT_NE(picture, nullptr);
    EXPECT_TRUE(picture->isTransparent());
    picture->setUrlOpener([](const QUrl&) { return true; });
    QSignalSpy clicks(picture, &QAbstractButton::clicked);
    about.show();
    picture->click();
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_FALSE(picture->grab().isNull());
}

}  // namespace
}  // namespace lumivex
