// The sheet's tab row: gradient fills, edges, flat fill on shallow displays,
// the standard painting in modes 0 and 1, and labels that do not fit.
#include "controls/colour_math.h"
#include "controls/gradient_tab_bar.h"
#include "probe.h"
#include "controls/sheet_tab_widget.h"

#include <gtest/gtest.h>

#include <QLabel>

#include <vector>

namespace lumivex {
namespace {

using test::near;
using test::pixelAt;
using test::renderWidget;

const QColor kWhite(255, 255, 255);

// Records the painting operations the row hands out, in order.
class RecordingTabCtrl : public CEnTabCtrl {
public:
    std::vector<int> tabsPainted;
    int edgesPainted = 0;

    void PaintTab(QPainter& painter, const TabItemRecord& item) override
    {
        tabsPainted.push_back(item.index);
        CEnTabCtrl::PaintTab(painter, item);
    }
    void PaintTabEdges(QPainter& painter, const TabItemRecord& item) override
    {
        ++edgesPainted;
        CEnTabCtrl::PaintTabEdges(painter, item);
    }
};

void sheetSetUp(CEnTabCtrl& bar, int depth = 32)
{
    for (const char* label : {"Interface", "Display", "Setting", "About"})
        bar.addTab(QString::fromLatin1(label));
    bar.setTabColour(colourFromColorRef(SheetTabWidget::kTabColour));
    bar.setPaintMode(SheetTabWidget::kPaintMode);
    bar.setLookFlags(SheetTabWidget::kLookFlags);
    bar.setDisplayDepth(depth);
    bar.resize(bar.sizeHint());
}

// The fill of a tab, as PaintTab lays it out.
QRect fillRect(const TabItemRecord& item)
{
    return item.rect.adjusted(0, 0, 0, item.selected ? -1 : 2);
}

// The colour of the last two-pixel band of a gradient over height rows:
// each channel moves from its start toward its end by the band's offset.
QColor lastBand(const QColor& from, const QColor& to, int height)
{
    const int offset = (height - 1) / CEnTabCtrl::kBandHeight * CEnTabCtrl::kBandHeight;
    const auto channel = [&](int a, int b) { return a + (b - a) * offset / height; };
    return QColor(channel(from.red(), to.red()), channel(from.green(), to.green()), channel(from.blue(), to.blue()));
}

TEST(TabRow, ColourArithmetic)
{
    struct Row {
        QColor colour;
        double factor;
        bool lightening;
        QColor expected;
    };
    const Row rows[] = {
        {QColor(206, 206, 206), 1.4, true, QColor(255, 255, 255)},  // capped
        {QColor(100, 50, 10), 1.5, true, QColor(150, 75, 15)},
        {QColor(101, 51, 11), 1.5, true, QColor(151, 76, 16)},      // truncated
        {QColor(100, 50, 10), 0.5, true, QColor(100, 50, 10)},      // lightening never darkens
        {QColor(206, 206, 206), 0.9, false, QColor(185, 185, 185)},
        {QColor(185, 185, 185), 0.75, false, QColor(139, 139, 139)},  // 138.75 rounds up
        {QColor(206, 206, 206), 0.7, false, QColor(144, 144, 144)},
        {QColor(100, 50, 10), 1.7, false, QColor(100, 50, 10)},      // darkening never lightens
        {QColor(100, 50, 10), -1.0, false, QColor(0, 0, 0)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.factor);
        const QColor got = row.lightening ? lighten(row.colour, row.factor) : darken(row.colour, row.factor);
        EXPECT_EQ(got, row.expected);
    }
    EXPECT_EQ(colourFromColorRef(0x0000B200), QColor(0, 178, 0));
    EXPECT_EQ(colourFromColorRef(0x00112233), QColor(0x33, 0x22, 0x11));
}

TEST(TabRow, SelectedTabRunsFromWhiteToLilacWithWhiteAndGreyEdges)
{
    CEnTabCtrl bar;
    sheetSetUp(bar);
    bar.setCurrentIndex(1);
    const QImage image = renderWidget(bar);
    const TabItemRecord item = bar.itemRecord(1);
    ASSERT_TRUE(item.selected);
    const QRect fill = fillRect(item);
    const int x = fill.left() + 2;  // beside the label

    EXPECT_EQ(pixelAt(image, x, fill.top() + 1), kWhite);
    EXPECT_EQ(pixelAt(image, x, fill.bottom()), lastBand(kWhite, QColor(194, 186, 199), fill.height()))
        << "each channel on its own way to its own end";
    for (int y = fill.top() + 2; y <= fill.bottom(); ++y)
        EXPECT_LE(pixelAt(image, x, y).red(), pixelAt(image, x, y - 1).red()) << "row " << y;

    const int middle = item.rect.center().y();
    EXPECT_EQ(pixelAt(image, item.rect.left(), middle), kWhite);
    EXPECT_EQ(pixelAt(image, item.rect.left() + item.rect.width() / 2, item.rect.top()), kWhite);
    EXPECT_EQ(pixelAt(image, item.rect.right(), middle), QColor(191, 191, 191));
}

TEST(TabRow, UnselectedTabsRunFromGreyToDarkerGreyWithDarkRightEdge)
{
    CEnTabCtrl bar;
    sheetSetUp(bar);
    bar.setCurrentIndex(1);
    const QImage image = renderWidget(bar);
    for (int index : {0, 2, 3}) {
        SCOPED_TRACE(index);
        const TabItemRecord item = bar.itemRecord(index);
        ASSERT_FALSE(item.selected);
        const QRect fill = fillRect(item);
        const int x = fill.left() + 2;
        EXPECT_EQ(pixelAt(image, x, fill.top() + 1), QColor(185, 185, 185));
        EXPECT_EQ(pixelAt(image, x, fill.bottom()), lastBand(QColor(185, 185, 185), QColor(144, 144, 144), fill.height()));
        const int middle = item.rect.center().y();
        EXPECT_EQ(pixelAt(image, item.rect.left(), middle), kWhite);
        EXPECT_EQ(pixelAt(image, item.rect.right(), middle), QColor(139, 139, 139));
    }
    // The selected tab stands taller than its neighbours.
    EXPECT_LT(bar.itemRecord(1).rect.top(), bar.itemRecord(0).rect.top());
}

TEST(TabRow, ShallowDisplayFillsFlat)
{
    CEnTabCtrl bar;
    sheetSetUp(bar, 8);
    bar.setCurrentIndex(0);
    const QImage image = renderWidget(bar);
    const QRect selected = fillRect(bar.itemRecord(0));
    const QRect other = fillRect(bar.itemRecord(2));
    EXPECT_EQ(pixelAt(image, selected.left() + 2, selected.bottom()), kWhite);
    EXPECT_EQ(pixelAt(image, other.left() + 2, other.bottom()), QColor(185, 185, 185));

    bar.setDisplayDepth(16);  // 16 bits is deep enough for the gradient
    const QImage deep = renderWidget(bar);
    EXPECT_NE(pixelAt(deep, other.left() + 2, other.bottom()), QColor(185, 185, 185));
}

TEST(TabRow, ModesZeroAndOneLeavePaintingToTheStandardRow)
{
    for (int mode : {0, 1, 2, 7}) {
        SCOPED_TRACE(mode);
        RecordingTabCtrl bar;
        sheetSetUp(bar);
        bar.setPaintMode(mode);
        bar.setCurrentIndex(1);
        renderWidget(bar);
        if (mode == 0 || mode == 1) {
            EXPECT_TRUE(bar.tabsPainted.empty());
            EXPECT_EQ(bar.edgesPainted, 0);
        } else {
            // From the last tab down, the selected one last.
            EXPECT_EQ(bar.tabsPainted, (std::vector<int>{3, 2, 0, 1}));
            EXPECT_EQ(bar.edgesPainted, 4);
        }
    }
}

TEST(TabRow, LongLabelsEndInAnEllipsisAndAreCutAt99)
{
    CEnTabCtrl bar;
    const QString longLabel = QString(150, QLatin1Char('W'));
    bar.addTab(longLabel);
    EXPECT_EQ(bar.tabLabel(0, 100000), QString(99, QLatin1Char('W')));
    const QString narrow = bar.tabLabel(0, 80);
    EXPECT_TRUE(narrow.endsWith(QChar(0x2026))) << narrow.toStdString();
    EXPECT_LE(bar.fontMetrics().horizontalAdvance(narrow), 80);
}

TEST(TabRow, ANarrowTabKeepsItsLabelInsideIt)
{
    CEnTabCtrl bar;
    sheetSetUp(bar);
    bar.setTabText(2, QString(80, QLatin1Char('M')));
    bar.setElideMode(Qt::ElideRight);
    bar.setUsesScrollButtons(false);
    bar.setExpanding(false);
    bar.resize(320, bar.sizeHint().height());
    bar.setCurrentIndex(0);
    const QImage image = renderWidget(bar);
    const TabItemRecord item = bar.itemRecord(2);
    ASSERT_LT(item.rect.width(), bar.fontMetrics().horizontalAdvance(bar.tabText(2)));
    // Nothing dark right of the label box: the label was shortened to fit.
    const QRect fill = fillRect(item);
    for (int x = item.rect.right() - 3; x < item.rect.right(); ++x) {
        for (int y = fill.top() + 1; y < fill.bottom(); ++y)
            EXPECT_GT(pixelAt(image, x, y).red(), 100) << x << "," << y;
    }
    bool inked = false;
    for (int x = fill.left() + 3; x < item.rect.right() - 3 && !inked; ++x) {
        for (int y = fill.top(); y < fill.bottom() && !inked; ++y)
            inked = pixelAt(image, x, y).red() < 60;
    }
    EXPECT_TRUE(inked) << "the shortened label is drawn";
}

TEST(TabRow, SheetTabWidgetInstallsTheRowWithTheSheetsSetUp)
{
    SheetTabWidget tabs;
    CEnTabCtrl* row = tabs.tabRow();
    ASSERT_EQ(tabs.tabBar(), row);
    EXPECT_EQ(row->tabColour(), QColor(206, 206, 206));
    EXPECT_EQ(row->paintMode(), 2);
    EXPECT_EQ(row->lookFlags(), 0x1Fu);
    tabs.addTab(new QLabel, QStringLiteral("Interface"));
    tabs.addTab(new QLabel, QStringLiteral("Display"));
    tabs.resize(400, 300);
    const QImage image = renderWidget(tabs);
    // The body frame, 5 pixels in from the left and right, 5 up from the bottom.
    const QColor frame(194, 186, 199);
    EXPECT_EQ(pixelAt(image, 5, 200), frame);
    EXPECT_EQ(pixelAt(image, 400 - 5, 200), frame);
    EXPECT_EQ(pixelAt(image, 200, 300 - 6), frame);
}

}  // namespace
}  // namespace lumivex
