// Every skinned control names itself by its text, says what it is, and
// works from the keyboard.
#include "controls/gradient_tab_bar.h"
#include "controls/image_button.h"
#include "controls/shade_button.h"
#include "controls/transparent_button.h"
#include "controls/transparent_group_box.h"
#include "controls/transparent_label.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QButtonGroup>
#include <QSignalSpy>
#include <QTest>

namespace lumivex {
namespace {

QAccessibleInterface* accessibleOf(QWidget* widget)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
    EXPECT_NE(iface, nullptr);
    return iface;
}

TEST(Accessibility, RolesAndNames)
{
    QWidget page;
    auto* push = new CShadeButtonST(QStringLiteral("Load"), &page);
    auto* check = new CShadeButtonST(QStringLiteral("GPO-1"), &page);
    check->setCheckBoxMode(true);
    auto* radio = new CButtonTrans(QStringLiteral("VGA"), CButtonTrans::Indicator::Radio, &page);
    auto* box = new CButtonTrans(QStringLiteral("Auto"), CButtonTrans::Indicator::Check, &page);
    auto* group = new CTGroupBox(QStringLiteral("Power"), &page);
    auto* label = new CTransparentStatic(QStringLiteral("Display Mode"), &page);
    auto* plain = new CButtonST(QStringLiteral("Link"), &page);

    struct Row {
        QWidget* widget;
        QAccessible::Role role;
        QString name;
    };
    const Row rows[] = {
        {push, QAccessible::Button, QStringLiteral("Load")},
        {check, QAccessible::CheckBox, QStringLiteral("GPO-1")},
        {radio, QAccessible::RadioButton, QStringLiteral("VGA")},
        {box, QAccessible::CheckBox, QStringLiteral("Auto")},
        {group, QAccessible::Grouping, QStringLiteral("Power")},
        {label, QAccessible::StaticText, QStringLiteral("Display Mode")},
        {plain, QAccessible::Button, QStringLiteral("Link")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name.toStdString());
        QAccessibleInterface* iface = accessibleOf(row.widget);
        ASSERT_NE(iface, nullptr);
        EXPECT_EQ(iface->role(), row.role);
        EXPECT_EQ(iface->text(QAccessible::Name), row.name);
    }

    check->setChecked(true);
    EXPECT_TRUE(accessibleOf(check)->state().checked);
    EXPECT_TRUE(accessibleOf(check)->state().checkable);

    // A text change is the new name.
    label->setText(QStringLiteral("Bezel Width mm"));
    EXPECT_EQ(accessibleOf(label)->text(QAccessible::Name), QStringLiteral("Bezel Width mm"));
}

TEST(Accessibility, TabsArePageTabsNamedByTheirLabels)
{
    CEnTabCtrl bar;
    bar.setPaintMode(2);
    for (const char* text : {"Interface", "Display", "Setting", "About"})
        bar.addTab(QString::fromLatin1(text));
    QAccessibleInterface* iface = accessibleOf(&bar);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::PageTabList);
    ASSERT_GE(iface->childCount(), 4);
    QStringList names;
    for (int i = 0; i < iface->childCount(); ++i) {
        QAccessibleInterface* child = iface->child(i);
        if (child && child->role() == QAccessible::PageTab)
            names << child->text(QAccessible::Name);
    }
    EXPECT_EQ(names, (QStringList{"Interface", "Display", "Setting", "About"}));
}

// A shown window with a shaded button, a check-box button and a radio group.
struct KeyboardPage {
    QWidget window;
    CShadeButtonST* load = new CShadeButtonST(QStringLiteral("Load"), &window);
    CShadeButtonST* gpo = new CShadeButtonST(QStringLiteral("GPO-1"), &window);
    CButtonTrans* vga = new CButtonTrans(QStringLiteral("VGA"), CButtonTrans::Indicator::Radio, &window);
    CButtonTrans* component = new CButtonTrans(QStringLiteral("Component"), CButtonTrans::Indicator::Radio, &window);
    CButtonTrans* dvi = new CButtonTrans(QStringLiteral("DVI"), CButtonTrans::Indicator::Radio, &window);
    CButtonTrans* off = new CButtonTrans(QStringLiteral("OFF"), CButtonTrans::Indicator::Radio, &window);
    QButtonGroup input;
    QButtonGroup power;

    KeyboardPage()
    {
        gpo->setCheckBoxMode(true);
        load->setGeometry(10, 10, 80, 30);
        gpo->setGeometry(100, 10, 80, 30);
        vga->setGeometry(10, 50, 60, 20);
        component->setGeometry(80, 50, 90, 20);
        dvi->setGeometry(180, 50, 60, 20);
        off->setGeometry(10, 80, 60, 20);
        for (auto* b : {vga, component, dvi})
            input.addButton(b);
        power.addButton(off);
        window.resize(260, 120);
        window.show();
        QApplication::setActiveWindow(&window);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }
};

TEST(Accessibility, TabMovesThroughTheControlsAndSpacePressesButtons)
{
    KeyboardPage page;
    page.load->setFocus(Qt::OtherFocusReason);
    ASSERT_TRUE(page.load->hasFocus());
    QSignalSpy loadClicks(page.load, &QAbstractButton::clicked);
    QTest::keyClick(page.load, Qt::Key_Space);
    EXPECT_EQ(loadClicks.count(), 1);

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_TRUE(page.gpo->hasFocus());
    QTest::keyClick(page.gpo, Qt::Key_Space);
    EXPECT_TRUE(page.gpo->isChecked());
    QTest::keyClick(page.gpo, Qt::Key_Space);
    EXPECT_FALSE(page.gpo->isChecked());

    QTest::keyClick(page.gpo, Qt::Key_Tab);
    ASSERT_TRUE(page.vga->hasFocus());
    QTest::keyClick(page.vga, Qt::Key_Space);
    EXPECT_TRUE(page.vga->isChecked());
}

TEST(Accessibility, ADisabledButtonPassesTheFocusOn)
{
    KeyboardPage page;
    page.load->setFocus(Qt::OtherFocusReason);
    ASSERT_TRUE(page.load->hasFocus());
    page.load->setEnabled(false);
    EXPECT_TRUE(page.gpo->hasFocus());
}

TEST(Accessibility, ArrowKeysMoveWithinARadioGroupOnly)
{
    KeyboardPage page;
    page.vga->setChecked(true);
    page.off->setChecked(true);
    page.vga->setFocus(Qt::OtherFocusReason);
    ASSERT_TRUE(page.vga->hasFocus());

    QTest::keyClick(page.vga, Qt::Key_Right);
    EXPECT_TRUE(page.component->hasFocus());
    EXPECT_TRUE(page.component->isChecked());
    EXPECT_FALSE(page.vga->isChecked());
    QTest::keyClick(page.component, Qt::Key_Right);
    EXPECT_TRUE(page.dvi->isChecked());
    QTest::keyClick(page.dvi, Qt::Key_Left);
    EXPECT_TRUE(page.component->isChecked());
    // The other group keeps its own choice.
    EXPECT_TRUE(page.off->isChecked());
}

}  // namespace
}  // namespace lumivex
