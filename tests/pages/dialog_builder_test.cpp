#include "pages/about_page.h"
#include "pages/display_page.h"
#include "pages/interface_page.h"
#include "pages/setting_page.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QLineEdit>

#include <gtest/gtest.h>

#include <memory>
#include <set>

using namespace lumivex;

namespace {

std::unique_ptr<PropertyPage> makePage(int dialogId)
{
    switch (dialogId) {
    case System::kDialogId:
        return std::make_unique<System>();
    case OSD_Color::kDialogId:
        return std::make_unique<OSD_Color>();
    case Image::kDialogId:
        return std::make_unique<Image>();
    default:
        return std::make_unique<OSD_About>();
    }
}

// The next widget that Tab would reach.
QWidget* nextTabStop(QWidget* from)
{
    for (QWidget* w = from->nextInFocusChain(); w && w != from; w = w->nextInFocusChain()) {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->parentWidget() == from->parentWidget())
            return w;
    }
    return nullptr;
}

}  // namespace

// Every control of the four templates, by id, so that a line lost from a
// template file is noticed.
TEST(PageTemplates, EachPageHasEveryControlOfItsDialogAtItsRectangle)
{
    struct Case {
        int dialogId;
        QString caption;
        std::set<int> ids;
    };
    const Case cases[] = {
        {132, "Interface", {1121, 1180, 1179, 1076}},
        {137, "Display", {1156, 1157, 1158, 1159, 1172, 1173, 1174, 1038, 1039, 1175, 1176, 1177, 1178, 1180,
                          1186, 1187, 1188, 1189, 1191, 1192, 1190, 1179, 1181, 1193, 1194, 1182, 1183}},
        {129, "Setting", {1142, 1164, 1053, 1055, 1054, 1165, 1056, 1057, 1166, 1167, 1168, 1169, 1170, 1171,
                          1058, 1059, 1172, 1060, 1061, 1072, 1073, 1074, 1075, 1076, 1077, 1078, 1079, 1185}},
        {167, "About", {1089, 1090, 1091, 1092, 1094, 1097}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dialogId);
        const auto page = makePage(c.dialogId);
        EXPECT_EQ(page->dialogId(), c.dialogId);
        EXPECT_EQ(page->caption(), c.caption);
        EXPECT_TRUE(page->findChildren<QWidget*>().isEmpty()) << "no controls before they are needed";
        std::set<int> built;
        for (const ControlSpec& control : page->dialogTemplate().controls) {
            built.insert(control.id);
            QWidget* widget = page->control(control.id);
            ASSERT_NE(widget, nullptr) << "control " << control.id;
            EXPECT_EQ(widget, page->findChild<QWidget*>(QString::number(control.id)));
            const QRect expected = DialogUnits::fromFont(page->font()).toPixels(control.rectDu);
            EXPECT_EQ(widget->pos(), expected.topLeft()) << "control " << control.id;
            EXPECT_EQ(widget->width(), expected.width()) << "control " << control.id;
            if (!qobject_cast<QComboBox*>(widget)) {
                EXPECT_EQ(widget->height(), expected.height()) << "control " << control.id;
            }
            EXPECT_EQ(widget->isHidden(), control.hidden) << "control " << control.id;
            EXPECT_EQ(widget->isEnabled(), !control.disabled) << "control " << control.id;
        }
        EXPECT_EQ(built, c.ids);
    }
}

TEST(PageTemplates, RadioGroupsFollowTheGroupMarks)
{
    const auto setting = makePage(Image::kDialogId);
    const auto& groups = setting->radioGroups();
    ASSERT_EQ(groups.size(), 4u);
    const std::vector<std::vector<int>> expected = {{1053, 1055, 1054}, {1056, 1057}, {1058, 1059}, {1060, 1061}};
    for (size_t g = 0; g < groups.size(); ++g) {
        SCOPED_TRACE(g);
        ASSERT_EQ(groups[g]->buttons().size(), qsizetype(expected[g].size()));
        EXPECT_TRUE(groups[g]->exclusive());
        for (size_t i = 0; i < expected[g].size(); ++i) {
            QAbstractButton* button = setting->control<QAbstractButton>(expected[g][i]);
            ASSERT_NE(button, nullptr);
            EXPECT_EQ(groups[g]->id(button), int(i));  // the page value is the index in the group
        }
    }
    // Checking one group leaves the others as they were.
    setting->control<QAbstractButton>(1054)->setChecked(true);
    setting->control<QAbstractButton>(1057)->setChecked(true);
    EXPECT_TRUE(setting->control<QAbstractButton>(1054)->isChecked());
    EXPECT_EQ(groups[0]->checkedId(), 2);
    EXPECT_EQ(groups[1]->checkedId(), 1);
}

TEST(PageTemplates, FramesNeverTakeTheClicksOfTheControlsTheySurround)
{
    const auto display = makePage(OSD_Color::kDialogId);
    display->resize(display->sizeHint());
    // Frame 1175 comes after the OFF/ON pair in the template yet lies under it.
    QWidget* off = display->control(1038);
    const QPoint centre = off->geometry().center();
    EXPECT_EQ(display->childAt(centre), off);
    EXPECT_TRUE(display->control(1175)->testAttribute(Qt::WA_TransparentForMouseEvents));
}

TEST(PageTemplates, TabOrderIsTemplateOrderAndReadOnlyEditsStayReadOnly)
{
    const auto display = makePage(OSD_Color::kDialogId);
    EXPECT_EQ(nextTabStop(display->control(1156)), display->control(1159));
    EXPECT_EQ(nextTabStop(display->control(1159)), display->control(1173));  // labels and frames take no focus
    EXPECT_TRUE(display->control<QLineEdit>(1186)->isReadOnly());
    EXPECT_FALSE(display->control<QLineEdit>(1189)->isReadOnly());
    EXPECT_TRUE(makePage(System::kDialogId)->control<QComboBox>(1180)->isEditable());
    EXPECT_FALSE(display->control<QComboBox>(1156)->isEditable());
}
