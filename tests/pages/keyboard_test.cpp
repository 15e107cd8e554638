// Each page as a keyboard and screen-reader user meets it: every control
// that takes the focus has a name, edits and lists are named after their
// captions, Tab walks the template's order and the focus shows.
#include "pages/about_page.h"
#include "pages/display_page.h"
#include "pages/interface_page.h"
#include "pages/setting_page.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QButtonGroup>
#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QSignalSpy>
#include <QLabel>
#include <QStringList>
#include <QTest>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <vector>

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

// The page shown as a window of its own, every control built.
std::unique_ptr<PropertyPage> shownPage(int dialogId)
{
    auto page = makePage(dialogId);
    page->show();
    QApplication::setActiveWindow(page.get());
    EXPECT_TRUE(QTest::qWaitForWindowActive(page.get()));
    return page;
}

// The controls that Tab can reach, in template order; a radio group is one
// stop, at its checked button or else its first (the arrows move within it).
std::vector<QWidget*> tabStops(PropertyPage& page)
{
    std::vector<QWidget*> stops;
    for (const ControlSpec& control : page.dialogTemplate().controls) {
        QWidget* widget = page.control(control.id);
        if (!(widget->focusPolicy() & Qt::TabFocus) || !widget->isVisibleTo(&page) || !widget->isEnabled())
            continue;
        if (auto* radio = qobject_cast<QAbstractButton*>(widget); radio && radio->group()) {
            QAbstractButton* checked = radio->group()->checkedButton();
            if (radio != (checked ? checked : radio->group()->buttons().first()))
                continue;
        }
        stops.push_back(widget);
    }
    return stops;
}

// What a screen reader calls the control. A list names itself by its
// current text on some desktops, so its own name is read from the widget.
QString nameOf(QWidget* widget)
{
    if (qobject_cast<QComboBox*>(widget))
        return widget->accessibleName();
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
    return iface ? iface->text(QAccessible::Name) : QString();
}

QWidget* focusedControl(PropertyPage& page)
{
    QWidget* focus = QApplication::focusWidget();
    // An editable list's edit field has the focus on the list's behalf.
    while (focus && focus->parentWidget() != &page)
        focus = focus->parentWidget();
    return focus;
}

std::vector<int> idsOf(const std::vector<QWidget*>& widgets)
{
    std::vector<int> ids;
    for (QWidget* widget : widgets)
        ids.push_back(widget ? widget->objectName().toInt() : 0);
    return ids;
}

const int kPages[] = {System::kDialogId, OSD_Color::kDialogId, Image::kDialogId, OSD_About::kDialogId};

}  // namespace

TEST(PageKeyboard, EveryFocusableControlHasAName)
{
    for (int id : kPages) {
        SCOPED_TRACE(id);
        auto page = shownPage(id);
        for (QWidget* widget : tabStops(*page))
            EXPECT_FALSE(nameOf(widget).isEmpty()) << "control " << widget->objectName().toStdString();
    }
}

TEST(PageKeyboard, EditsAndListsAreNamedAfterTheirCaptions)
{
    struct Row {
        int dialogId, controlId;
        const char* name;
        int labelId;  // the caption that names it to assistive tools, 0 for a frame
    };
    const Row rows[] = {
        {System::kDialogId, 1180, "Interface Select", 0},
        {OSD_Color::kDialogId, 1156, "Display Resolution", 1157},
        {OSD_Color::kDialogId, 1159, "Display Mode", 1158},
        {OSD_Color::kDialogId, 1190, "Bezel Width mm", 1179},
        {OSD_Color::kDialogId, 1189, "Veiwable Width mm", 1181},
        {OSD_Color::kDialogId, 1194, "Bezel Height mm", 1182},
        {OSD_Color::kDialogId, 1193, "Viewable Height mm", 1183},
        {OSD_Color::kDialogId, 1186, "H Mask %", 1176},
        {OSD_Color::kDialogId, 1187, "V Mask %", 1177},
        {OSD_Color::kDialogId, 1175, "Mask Mode", 0},  // an untitled frame within a frame
        {Image::kDialogId, 1171, "OSD Mode", 0},
    };
    std::map<int, std::unique_ptr<PropertyPage>> pages;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto& page = pages[row.dialogId];
        if (!page)
            page = makePage(row.dialogId);
        QWidget* widget = page->control(row.controlId);
        EXPECT_EQ(nameOf(widget), QString::fromUtf8(row.name));
        if (row.labelId != 0) {
            EXPECT_EQ(page->control<QLabel>(row.labelId)->buddy(), widget);
        }
    }
    // The maker's picture shows no text; its link names it.
    auto about = shownPage(OSD_About::kDialogId);
    EXPECT_EQ(nameOf(about->control(OSD_About::kPictureId)), QString::fromLatin1(OSD_About::kMakerUrl));
}

TEST(PageKeyboard, TabWalksTheTemplateOrderAndTheFocusShows)
{
    for (int id : kPages) {
        SCOPED_TRACE(id);
        auto page = shownPage(id);
        const std::vector<QWidget*> expected = tabStops(*page);
        ASSERT_FALSE(expected.empty());
        // The last stop first, so that the walk starts with a Tab.
        expected.back()->setFocus(Qt::TabFocusReason);
        std::vector<QWidget*> walked;
        std::vector<QImage> focused;
        for (size_t i = 0; i < expected.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            walked.push_back(focusedControl(*page));
            focused.push_back(walked.back() ? walked.back()->grab().toImage() : QImage());
        }
        EXPECT_EQ(idsOf(walked), idsOf(expected));
        // Each control looks different once the focus has left it.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        for (size_t i = 1; i < walked.size(); ++i) {
            if (walked[i]) {
                EXPECT_NE(walked[i]->grab().toImage(), focused[i]) << walked[i]->objectName().toStdString();
            }
        }
    }
}

// An assistive tool's press or toggle clicks the button, so the page acts
// on it as on the mouse or Space.
TEST(PageKeyboard, AccessibleActionsClickTheButtons)
{
    auto page = shownPage(Image::kDialogId);
    for (const ControlSpec& control : page->dialogTemplate().controls) {
        auto* button = page->control<QAbstractButton>(control.id);
        if (!button || !button->isEnabled())
            continue;
        SCOPED_TRACE(control.id);
        QAccessibleActionInterface* actions = QAccessible::queryAccessibleInterface(button)->actionInterface();
        ASSERT_NE(actions, nullptr);
        ASSERT_FALSE(actions->actionNames().isEmpty());
        QSignalSpy clicks(button, &QAbstractButton::clicked);
        actions->doAction(actions->actionNames().first());
        EXPECT_TRUE(QTest::qWaitFor([&] { return clicks.count() == 1; }));
    }
}

// Space ticks an output's box; an input's lamp shows only what the device
// reports, whatever keys or clicks reach it.
TEST(PageKeyboard, SpaceTicksOutputsButNotInputLamps)
{
    auto page = shownPage(Image::kDialogId);
    const struct {
        int id;
        bool checkedAfterSpace;
    } rows[] = {{Image::kFirstGpoId, true}, {Image::kFirstGpiId, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.id);
        auto* button = page->control<QAbstractButton>(row.id);
        button->setFocus(Qt::TabFocusReason);
        QTest::keyClick(button, Qt::Key_Space);
        EXPECT_EQ(button->isChecked(), row.checkedAfterSpace);
        button->click();
        EXPECT_EQ(button->isChecked(), false);
    }
}
