// The pages' own artwork is compiled in at the sizes the pages lay out.

#include "res/artwork.h"

#include <gtest/gtest.h>

#include <QImage>

using namespace lumivex;

TEST(Artwork, BitmapsAndCursorHaveTheirSizes)
{
    const struct {
        QString path;
        QSize size;
        bool alpha;
    } cases[] = {
        {bitmapPath(215), {590, 450}, false},  // page background
        {bitmapPath(216), {350, 75}, false},   // About picture
        {cursorPath(170), {32, 32}, true},     // hand over the About picture
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        const QImage image(c.path);
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.size(), c.size);
        EXPECT_EQ(image.hasAlphaChannel(), c.alpha);
    }
}
