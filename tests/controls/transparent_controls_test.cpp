// Group boxes, labels and radio buttons drawn over the page's background.
#include "probe.h"
#include "controls/transparent_button.h"
#include "controls/transparent_group_box.h"
#include "controls/transparent_label.h"

#include <gtest/gtest.h>

namespace lumivex {
namespace {

using test::distinctPalette;
using test::pixelAt;
using test::renderWidget;

const QColor kPageA(10, 120, 200);
const QColor kPageB(200, 30, 30);

// A page-like parent with a background colour that a test can change.
struct Page {
    QWidget widget;
    Page()
    {
        widget.setAutoFillBackground(true);
        setBackground(kPageA);
        widget.resize(240, 120);
    }
    void setBackground(const QColor& colour)
    {
        QPalette pal = widget.palette();
        pal.setColor(QPalette::Window, colour);
        widget.setPalette(pal);
    }
};

int countOnRow(const QImage& image, int y, int fromX, int toX, const QColor& colour)
{
    int count = 0;
    for (int x = fromX; x <= toX; ++x)
        count += pixelAt(image, x, y) == colour ? 1 : 0;
    return count;
}

bool hasInk(const QImage& image, const QRect& area, int below)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (pixelAt(image, x, y).green() < below)
                return true;
    return false;
}

struct GroupBoxFixture {
    CTGroupBox box;
    explicit GroupBoxFixture(const QString& title)
        : box(title)
    {
        box.setPalette(distinctPalette());
        box.resize(200, 80);
    }
    int lineY() const { return box.fontMetrics().height() / 2; }
};

TEST(GroupBox, EmptyCaptionDrawsAnUnbrokenTopLine)
{
    GroupBoxFixture f{QString()};
    EXPECT_TRUE(f.box.captionRect().isEmpty());
    const QImage image = renderWidget(f.box);
    const QColor shadow = distinctPalette().color(QPalette::Dark);
    const QColor light = distinctPalette().color(QPalette::Light);
    EXPECT_EQ(countOnRow(image, f.lineY(), 0, 198, shadow), 199);
    EXPECT_EQ(countOnRow(image, f.lineY() + 1, 1, 197, light), 197);
    // Etched round the other three sides too.
    EXPECT_EQ(pixelAt(image, 0, 50), shadow);
    EXPECT_EQ(pixelAt(image, 1, 50), light);
    EXPECT_EQ(pixelAt(image, 100, 78), shadow);
    EXPECT_EQ(pixelAt(image, 100, 79), light);
    EXPECT_EQ(pixelAt(image, 198, 50), shadow);
    EXPECT_EQ(pixelAt(image, 199, 50), light);
}

TEST(GroupBox, CaptionLeavesAGapInTheTopLine)
{
    GroupBoxFixture f{QStringLiteral("GPIO")};
    const QRect caption = f.box.captionRect();
    ASSERT_EQ(caption.left(), CTGroupBox::kCaptionIndent);
    ASSERT_EQ(caption.width(), f.box.fontMetrics().horizontalAdvance(QStringLiteral(" GPIO ")));
    const QImage image = renderWidget(f.box);
    const QColor shadow = distinctPalette().color(QPalette::Dark);
    EXPECT_EQ(countOnRow(image, f.lineY(), 0, caption.left() - 1, shadow), caption.left());
    EXPECT_EQ(countOnRow(image, f.lineY(), caption.left(), caption.right(), shadow), 0);
    EXPECT_EQ(countOnRow(image, f.lineY(), caption.right() + 1, 198, shadow), 198 - caption.right());
    EXPECT_TRUE(hasInk(image, caption, 40)) << "the caption is written in the gap";
}

TEST(GroupBox, CaptionAlignment)
{
    for (Qt::Alignment align : {Qt::AlignLeft, Qt::AlignRight, Qt::AlignHCenter}) {
        SCOPED_TRACE(int(align));
        GroupBoxFixture f{QStringLiteral("Power")};
        f.box.setAlignment(align);
        const QRect caption = f.box.captionRect();
        if (align == Qt::AlignLeft)
            EXPECT_EQ(caption.left(), 10);
        else if (align == Qt::AlignRight)
            EXPECT_EQ(caption.left() + caption.width(), 200 - 10);
        else
            EXPECT_LE(std::abs(caption.left() - (200 - caption.left() - caption.width())), 1);
    }
}

TEST(GroupBox, FlatStyleDrawsBlackWithAHighlightInside)
{
    GroupBoxFixture f{QStringLiteral("OSD Mode")};
    f.box.setFlat(true);
    const QImage image = renderWidget(f.box);
    const QColor light = distinctPalette().color(QPalette::Light);
    EXPECT_EQ(pixelAt(image, 0, 50), QColor(0, 0, 0));
    EXPECT_EQ(pixelAt(image, 1, 50), light);
    EXPECT_EQ(pixelAt(image, 199, 50), QColor(0, 0, 0));
    EXPECT_EQ(pixelAt(image, 198, 50), light);
    EXPECT_EQ(pixelAt(image, 100, 79), QColor(0, 0, 0));
    EXPECT_EQ(pixelAt(image, 100, 78), light);
    const QRect caption = f.box.captionRect();
    EXPECT_NE(pixelAt(image, caption.left() + 1, f.lineY()), QColor(0, 0, 0)) << "the gap";
    EXPECT_EQ(pixelAt(image, caption.left() - 1, f.lineY()), QColor(0, 0, 0));
}

TEST(GroupBox, DisabledCaptionIsEmbossed)
{
    GroupBoxFixture f{QStringLiteral("MMMM")};
    f.box.setEnabled(false);
    const QImage image = renderWidget(f.box);
    const QRect caption = f.box.captionRect().adjusted(0, 0, 1, 1);
    bool light = false;
    for (int y = caption.top(); y <= caption.bottom(); ++y)
        light = light || countOnRow(image, y, caption.left(), caption.right(), QColor(250, 250, 250)) > 0;
    EXPECT_TRUE(light);
    EXPECT_FALSE(hasInk(image, caption, 40)) << "no black text while disabled";
}

TEST(GroupBox, EdgesTakeRoomFromTheFrame)
{
    using E = CTGroupBox;
    struct Row {
        CTGroupBox::Edges edges;
        QRect frame;
    };
    const Row rows[] = {
        {E::NoEdge, QRect(QPoint(0, 0), QPoint(199, 99))},
        {E::DialogModalFrame, QRect(QPoint(3, 4), QPoint(195, 95))},
        {E::ClientEdge, QRect(QPoint(2, 3), QPoint(196, 96))},
        {E::StaticEdge, QRect(QPoint(1, 2), QPoint(197, 97))},
        {E::DialogModalFrame | E::ClientEdge, QRect(QPoint(5, 7), QPoint(193, 92))},
        {E::DialogModalFrame | E::ClientEdge | E::StaticEdge, QRect(QPoint(6, 9), QPoint(191, 90))},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(int(row.edges));
        CTGroupBox box;
        box.resize(200, 100);
        box.setEdges(row.edges);
        EXPECT_EQ(box.frameRect(), row.frame);
    }
}

TEST(GroupBox, LetsClicksThroughAndTakesNoFocus)
{
    CTGroupBox box(QStringLiteral("Display Mode"));
    EXPECT_TRUE(box.testAttribute(Qt::WA_TransparentForMouseEvents));
    EXPECT_EQ(box.focusPolicy(), Qt::NoFocus);
}

TEST(TransparentLabel, KeepsTheBackgroundOfItsFirstPaint)
{
    Page page;
    auto* label = new CTransparentStatic(QStringLiteral("Bezel Width mm"), &page.widget);
    label->setGeometry(10, 10, 200, 30);
    EXPECT_FALSE(label->hasCapturedBackground());
    EXPECT_EQ(pixelAt(renderWidget(page.widget), 205, 35), kPageA);
    EXPECT_TRUE(label->hasCapturedBackground());

    page.setBackground(kPageB);
    const QImage after = renderWidget(page.widget);
    EXPECT_EQ(pixelAt(after, 5, 5), kPageB);
    EXPECT_EQ(pixelAt(after, 205, 35), kPageA);
    EXPECT_TRUE(hasInk(after, QRect(10, 10, 200, 30), 40)) << "black text over the copy";
}

TEST(TransparentLabel, ATextChangeWipesTheOldText)
{
    Page page;
    auto* label = new CTransparentStatic(QStringLiteral("MMMMMMMMMMMM"), &page.widget);
    label->setGeometry(10, 10, 200, 30);
    EXPECT_TRUE(hasInk(renderWidget(page.widget), QRect(10, 10, 200, 30), 40));
    label->setText(QStringLiteral("="));
    const QImage after = renderWidget(page.widget);
    EXPECT_FALSE(hasInk(after, QRect(40, 10, 170, 30), 40));
    EXPECT_EQ(label->textColour(), QColor(0, 0, 0));
}

TEST(TransparentLabel, SolidBackgroundWhenAsked)
{
    Page page;
    auto* label = new CTransparentStatic(QString(), &page.widget);
    label->setGeometry(10, 10, 50, 20);
    label->setBackgroundColour(QColor(1, 200, 3));
    EXPECT_EQ(pixelAt(renderWidget(page.widget), 30, 20), kPageA);
    label->setUseBackgroundColour(true);
    EXPECT_EQ(pixelAt(renderWidget(page.widget), 30, 20), QColor(1, 200, 3));
}

TEST(TransparentButton, TextOverTheParentUnlessABackgroundIsGiven)
{
    for (auto indicator : {CButtonTrans::Indicator::Radio, CButtonTrans::Indicator::Check}) {
        SCOPED_TRACE(int(indicator));
        Page page;
        auto* button = new CButtonTrans(QStringLiteral("MMMM"), indicator, &page.widget);
        button->setGeometry(10, 10, 200, 30);
        EXPECT_EQ(button->textColour(), QColor(0, 0, 0));
        EXPECT_FALSE(button->backgroundColour().isValid());
        const QImage image = renderWidget(page.widget);
        EXPECT_EQ(pixelAt(image, 200, 20), kPageA);
        EXPECT_TRUE(hasInk(image, QRect(10, 10, 200, 30), 40));

        button->setBackgroundColour(QColor(250, 240, 0));
        EXPECT_EQ(pixelAt(renderWidget(page.widget), 200, 20), QColor(250, 240, 0));
    }
}

TEST(TransparentButton, TextColourIsUsed)
{
    Page page;
    auto* button = new CButtonTrans(QStringLiteral("MMMMMMMM"), CButtonTrans::Indicator::Radio, &page.widget);
    button->setGeometry(10, 10, 200, 30);
    button->setTextColour(QColor(250, 250, 0));
    const QImage image = renderWidget(page.widget);
    bool yellow = false;
    for (int y = 10; y < 40 && !yellow; ++y)
        for (int x = 40; x < 210 && !yellow; ++x)
            yellow = pixelAt(image, x, y).red() > 200 && pixelAt(image, x, y).green() > 200;
    EXPECT_TRUE(yellow);
}

}  // namespace
}  // namespace lumivex
