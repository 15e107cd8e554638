#include "pages/dialog_template.h"
#include "pages/dialog_units.h"

#include <gtest/gtest.h>

using lumivex::ControlKind;
using lumivex::parseDialogTemplate;

TEST(DialogTemplate, ParsesTheHeaderControlsAndFlags)
{
    const auto dialog = parseDialogTemplate(QStringLiteral(
        "# comment\n"
        "dialog 129 \"Setting\" 369 294 \"MS Shell Dlg\" 8\n"
        "1053  radio  CButtonTrans  \"VGA\"  4 93 36 17  group\n"
        "1072  autocheckbox  CShadeButtonST  \"GPO-1\"  9 20 48 14  icon=172 normal-icon=173 transparent\n"
        "1172  groupbox  -  \"\"  163 232 134 43  hidden disabled\n"));
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->id, 129);
    EXPECT_EQ(dialog->caption, QStringLiteral("Setting"));
    EXPECT_EQ(dialog->sizeDu, QSize(369, 294));
    EXPECT_EQ(dialog->fontFamily, QStringLiteral("MS Shell Dlg"));
    ASSERT_EQ(dialog->controls.size(), 3u);
    const auto& vga = dialog->controls[0];
    EXPECT_EQ(vga.kind, ControlKind::RadioButton);
    EXPECT_EQ(vga.rectDu, QRect(4, 93, 36, 17));
    EXPECT_TRUE(vga.groupStart);
    const auto* gpo = dialog->find(1072);
    ASSERT_NE(gpo, nullptr);
    EXPECT_EQ(gpo->iconId, 172);
    EXPECT_EQ(gpo->normalIconId, 173);
    EXPECT_TRUE(gpo->transparent);
    const auto* frame = dialog->find(1172);
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(frame->className.isEmpty());
    EXPECT_TRUE(frame->hidden && frame->disabled);
    EXPECT_EQ(dialog->find(9999), nullptr);
}

TEST(DialogTemplate, ReportsTheLineOfEachMistake)
{
    const QString header = QStringLiteral("dialog 1 \"X\" 10 10 \"F\" 8\n");
    struct Case {
        QString text;
        int line;
    };
    const Case cases[] = {
        {QStringLiteral("1 static - \"x\" 0 0 1 1\n"), 1},                       // control before the header
        {header + QStringLiteral("1 static - \"open 0 0 1 1\n"), 2},             // unterminated text
        {header + QStringLiteral("1 slider - \"\" 0 0 1 1\n"), 2},               // unknown kind
        {header + QStringLiteral("1 static - \"\" 0 0 1 1 sparkly\n"), 2},       // unknown flag
        {header + QStringLiteral("1 static - \"\" 0 0 1 1 icon=x\n"), 2},        // bad icon id
        {header + QStringLiteral("1 static - \"\" 0 0 -1 1\n"), 2},              // negative size
        {header + QStringLiteral("1 static - \"\" 0 0 1\n"), 2},                 // short line
        {header + QStringLiteral("\n1 static - \"\" 0 0 1 1\n1 edit - \"\" 0 0 1 1\n"), 4},  // duplicate id
        {header + header, 2},                                                    // second header
        {QStringLiteral("# only a comment\n"), 0},                               // no header at all
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        lumivex::TemplateError error;
        EXPECT_FALSE(parseDialogTemplate(c.text, &error));
        EXPECT_EQ(error.line, c.line) << error.message.toStdString();
        EXPECT_FALSE(error.message.isEmpty());
    }
}

TEST(DialogUnits, ScaleWithTheFontsAverageWidthAndHeight)
{
    const lumivex::DialogUnits units{6, 13};
    EXPECT_EQ(units.toPixels(QRect(8, 82, 52, 24)), QRect(12, 133, 78, 39));
    EXPECT_EQ(units.toPixels(QSize(391, 297)), QSize(586, 482));
    // Neighbours keep touching: the right edge of one is the left of the next.
    const QRect a = units.toPixels(QRect(1, 1, 3, 3));
    const QRect b = units.toPixels(QRect(4, 1, 3, 3));
    EXPECT_EQ(a.x() + a.width(), b.x());

    const lumivex::DialogUnits fromFont = lumivex::DialogUnits::fromFont(lumivex::dialogFont("MS Shell Dlg", 8));
    EXPECT_GE(fromFont.baseX, 3);
    EXPECT_GE(fromFont.baseY, 8);
    const lumivex::DialogUnits bigger = lumivex::DialogUnits::fromFont(lumivex::dialogFont("MS Shell Dlg", 16));
    EXPECT_GT(bigger.baseY, fromFont.baseY);
}
