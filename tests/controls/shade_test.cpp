// The shaded face of the image buttons and the palette image behind it.
#include "controls/indexed_bitmap.h"
#include "probe.h"
#include "controls/shade_button.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEnterEvent>
#include <QPainter>

namespace lumivex {
namespace {

using test::pixelAt;
using test::renderWidget;

const QColor kShadow(40, 60, 80);
const QColor kFace(200, 100, 50);
const QColor kHighlight(255, 250, 240);

// A constant noise value; 16376 makes the noise term 0, 0 makes it −8 and
// 32767 makes it +8.
NoiseSource constantNoise(int value)
{
    return [value] { return value; };
}

void shadePalette(QWidget& widget)
{
    QPalette pal = widget.palette();
    pal.setColor(QPalette::Dark, kShadow);
    pal.setColor(QPalette::Button, kFace);
    pal.setColor(QPalette::Light, kHighlight);
    widget.setPalette(pal);
}

void pointerOver(QWidget& widget)
{
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(&widget, &enter);
}

TEST(IndexedBitmap, CreateMakesAPaletteForEachDepth)
{
    struct Row {
        int width, height, bits;
        bool made;
        int paletteSize;
    };
    const Row rows[] = {
        {10, 5, 8, true, 256}, {10, 5, 4, true, 16}, {10, 5, 1, true, 2},
        {10, 5, 24, false, 0}, {0, 5, 8, false, 0},  {10, -1, 8, false, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.width << "x" << row.height << "x" << row.bits);
        CCeXDib dib;
        EXPECT_EQ(dib.Create(row.width, row.height, row.bits), row.made);
        EXPECT_EQ(dib.isNull(), !row.made);
        EXPECT_EQ(dib.paletteSize(), row.paletteSize);
        if (row.made) {
            EXPECT_EQ(dib.width(), row.width);
            EXPECT_EQ(dib.height(), row.height);
            EXPECT_EQ(dib.bitsPerPixel(), row.bits);
        }
    }
}

TEST(IndexedBitmap, BlendCopyAndDraw)
{
    CCeXDib dib;
    ASSERT_TRUE(dib.Create(4, 3, 8));
    dib.setPaletteColour(0, QColor(0, 0, 0));
    dib.setPaletteColour(1, QColor(100, 200, 30));
    dib.setPixelIndex(0, 0, 1);

    CCeXDib copy;
    copy.Copy(dib);
    copy.BlendPalette(QColor(255, 255, 255), 50);
    // (50 × 255 + 50 × channel) / 100, truncated.
    EXPECT_EQ(copy.paletteColour(0), QColor(127, 127, 127));
    EXPECT_EQ(copy.paletteColour(1), QColor(177, 227, 142));
    EXPECT_EQ(dib.paletteColour(1), QColor(100, 200, 30)) << "the original keeps its palette";
    EXPECT_EQ(copy.pixelIndex(0, 0), 1);

    copy.BlendPalette(QColor(9, 9, 9), 0);
    EXPECT_EQ(copy.paletteColour(1), QColor(177, 227, 142)) << "0 % changes nothing";
    copy.BlendPalette(QColor(9, 8, 7), 100);
    EXPECT_EQ(copy.paletteColour(1), QColor(9, 8, 7));

    QImage target(10, 10, QImage::Format_RGB32);
    target.fill(Qt::white);
    {
        QPainter painter(&target);
        dib.Draw(painter, 3, 2);
    }
    EXPECT_EQ(pixelAt(target, 3, 2), QColor(100, 200, 30));
    EXPECT_EQ(pixelAt(target, 4, 2), QColor(0, 0, 0));
    EXPECT_EQ(pixelAt(target, 2, 2), QColor(255, 255, 255));
    EXPECT_EQ(pixelAt(target, 7, 2), QColor(255, 255, 255)) << "drawn at its own size";
}

TEST(Shade, PaletteRunsFromShadowThroughFaceToHighlight)
{
    CShadeButtonST button;
    shadePalette(button);
    button.resize(100, 40);
    ASSERT_TRUE(button.BuildShade(6));
    const CCeXDib& shade = button.normalShade();
    ASSERT_EQ(shade.paletteSize(), 256);
    struct Row {
        int index;
        QColor expected;
    };
    const Row rows[] = {
        {0, kShadow},
        {64, QColor(120, 80, 65)},    // half way from shadow to face
        {127, QColor(198, 99, 50)},   // (1 × shadow + 127 × face) / 128
        {128, QColor(200, 101, 51)},  // one step from face toward highlight
        {255, kHighlight},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.index);
        EXPECT_EQ(shade.paletteColour(row.index), row.expected);
    }
}

TEST(Shade, PixelsFollowTheDiagonalLightWithTheNoise)
{
    struct Row {
        int x, r, noise;
        int expected;
    };
    // A 100 × 40 face; r counts rows from the bottom.
    const Row rows[] = {
        {50, 20, 16376, 128},  // the middle is the face
        {50, 20, 0, 120},      // noise −8
        {50, 20, 32767, 136},  // noise +8
        {0, 39, 16376, 247},   // top-left: brightest, limited to 247
        {0, 39, 32767, 255},
        {99, 0, 16376, 8},     // bottom-right: darkest, limited to 8
        {99, 0, 0, 0},
        {99, 39, 16376, 118},  // top-right: (108 − 119) × 120 / 128 = −10
        {0, 0, 16376, 130},    // bottom-left: (−125 + 128) × 120 / 128 = 2
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "x " << row.x << " r " << row.r << " noise " << row.noise);
        CShadeButtonST button;
        button.resize(100, 40);
        button.setNoiseSource(constantNoise(row.noise));
        ASSERT_TRUE(button.BuildShade(6));
        EXPECT_EQ(button.normalShade().pixelIndex(row.x, 40 - 1 - row.r), row.expected);
        EXPECT_EQ(shadePixel(row.x, row.r, 100, 40, row.noise), row.expected);
    }
}

TEST(Shade, NoiseIsDrawnOncePerPixelFromTheBottomRowUp)
{
    int calls = 0;
    CShadeButtonST button;
    button.resize(20, 10);
    // Only the first value differs: it must land on the bottom-left pixel.
    button.setNoiseSource([&calls] { return calls++ == 0 ? 0 : 16376; });
    ASSERT_TRUE(button.BuildShade(6));
    EXPECT_EQ(calls, 20 * 10);
    const CCeXDib& shade = button.normalShade();
    EXPECT_EQ(shade.pixelIndex(0, 9), shadePixel(0, 0, 20, 10, 16376) - 8);
    EXPECT_EQ(shade.pixelIndex(1, 9), shadePixel(1, 0, 20, 10, 16376));
    EXPECT_EQ(shade.pixelIndex(0, 8), shadePixel(0, 1, 20, 10, 16376));
}

TEST(Shade, PointerOverFaceIsBlendedTenPercentTowardTheHighlight)
{
    CShadeButtonST button;
    shadePalette(button);
    button.resize(30, 20);
    ASSERT_TRUE(button.BuildShade(6));
    const CCeXDib& normal = button.normalShade();
    const CCeXDib& over = button.overShade();
    // (10 × highlight + 90 × shadow) / 100
    EXPECT_EQ(over.paletteColour(0), QColor(61, 79, 96));
    EXPECT_EQ(over.paletteColour(255), kHighlight);
    for (int i : {1, 64, 128, 200}) {
        const QColor n = normal.paletteColour(i);
        const QColor expected((10 * 255 + 90 * n.red()) / 100, (10 * 250 + 90 * n.green()) / 100,
                              (10 * 240 + 90 * n.blue()) / 100);
        EXPECT_EQ(over.paletteColour(i), expected) << i;
    }
    EXPECT_EQ(over.image().constBits()[0], normal.image().constBits()[0]);
    EXPECT_EQ(over.pixelIndex(17, 11), normal.pixelIndex(17, 11));
}

TEST(Shade, BackgroundShowsNormalFaceThenPointerOverFaceShiftedWhenPressed)
{
    CShadeButtonST button;
    shadePalette(button);
    button.resize(40, 24);
    button.setNoiseSource(constantNoise(16376));
    ASSERT_TRUE(button.BuildShade(6));
    const CCeXDib& normal = button.normalShade();
    const CCeXDib& over = button.overShade();
    auto expectedAt = [](const CCeXDib& dib, int x, int y) { return dib.paletteColour(dib.pixelIndex(x, y)); };

    EXPECT_EQ(pixelAt(renderWidget(button), 10, 10), expectedAt(normal, 10, 10));
    pointerOver(button);
    ASSERT_TRUE(button.isPointerOver());
    EXPECT_EQ(pixelAt(renderWidget(button), 10, 10), expectedAt(over, 10, 10));
    button.setDown(true);
    EXPECT_EQ(pixelAt(renderWidget(button), 10, 10), expectedAt(over, 9, 9));
}

TEST(Shade, BuiltOnceAtTheButtonsSizeAndOnlyForTypeSix)
{
    CShadeButtonST button;
    button.resize(60, 20);
    EXPECT_FALSE(button.BuildShade(5));
    EXPECT_TRUE(button.normalShade().isNull());
    ASSERT_TRUE(button.BuildShade());
    button.resize(120, 50);
    EXPECT_EQ(button.normalShade().width(), 60);
    EXPECT_EQ(button.normalShade().height(), 20);
    // Past the shade the plain face shows.
    const QImage image = renderWidget(button);
    EXPECT_EQ(pixelAt(image, 100, 40), button.palette().color(QPalette::Button));

    CShadeButtonST empty;
    empty.resize(0, 10);
    EXPECT_FALSE(empty.BuildShade());
}

TEST(Shade, AButtonNotYetPlacedIsShadedAtItsFirstSize)
{
    QWidget page;
    auto* button = new CShadeButtonST(QStringLiteral("Load"), &page);
    ASSERT_TRUE(button->BuildShade(6));
    EXPECT_TRUE(button->normalShade().isNull());
    button->setGeometry(10, 10, 78, 39);
    page.resize(200, 100);
    page.show();
    EXPECT_EQ(button->normalShade().width(), 78);
    EXPECT_EQ(button->normalShade().height(), 39);
    button->resize(120, 60);
    QCoreApplication::processEvents();
    EXPECT_EQ(button->normalShade().width(), 78);
}

}  // namespace
}  // namespace lumivex
