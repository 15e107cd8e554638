// Image buttons: what they show in each state, their clicks, their
// transparent background, their web address, their colours.
#include "controls/image_button.h"
#include "probe.h"
#include "controls/tooltip_text.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QEnterEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

namespace lumivex {
namespace {

using test::distinctPalette;
using test::pixelAt;
using test::renderWidget;
using test::solidIcon;

const QColor kHot(220, 0, 0);
const QColor kNormal(0, 0, 220);

void pointerOver(QWidget& widget)
{
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(&widget, &enter);
}

void pointerLeaves(QWidget& widget)
{
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&widget, &leave);
}

// A 60 × 30 button with a 12 × 12 red hot and blue normal icon, centred.
struct IconButton {
    CButtonST button;
    IconButton()
    {
        button.setPalette(distinctPalette());
        button.resize(60, 30);
        button.AssignIcons(solidIcon(kHot), solidIcon(kNormal));
    }
    QColor iconColour() { return pixelAt(renderWidget(button), 30, 15); }
};

enum class Edge { None, Raised, Sunken };

Edge edgeOf(CButtonST& button)
{
    const QImage image = renderWidget(button);
    const QColor topLeft = pixelAt(image, 0, 0);
    const QColor bottomRight = pixelAt(image, image.width() - 1, image.height() - 1);
    const QPalette pal = distinctPalette();
    if (topLeft == pal.color(QPalette::Light) && bottomRight == pal.color(QPalette::Dark))
        return Edge::Raised;
    if (topLeft == pal.color(QPalette::Dark) && bottomRight == pal.color(QPalette::Light))
        return Edge::Sunken;
    EXPECT_EQ(topLeft, pal.color(QPalette::Button));
    return Edge::None;
}

TEST(ImageButton, CheckBoxShowsItsCheckStateWhateverThePointerDoes)
{
    struct Row {
        bool checked;
        bool over;
        QColor icon;
        Edge edge;
    };
    const Row rows[] = {
        {true, false, kHot, Edge::Sunken},
        {true, true, kHot, Edge::Sunken},
        {false, false, kNormal, Edge::None},
        {false, true, kNormal, Edge::Raised},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "checked " << row.checked << " over " << row.over);
        IconButton b;
        b.button.setCheckBoxMode(true);
        b.button.setChecked(row.checked);
        if (row.over)
            pointerOver(b.button);
        EXPECT_EQ(b.iconColour(), row.icon);
        EXPECT_EQ(edgeOf(b.button), row.edge);
    }
}

TEST(ImageButton, ClickTogglesTheCheckStateInCheckBoxMode)
{
    IconButton b;
    b.button.setCheckBoxMode(true);
    QTest::mouseClick(&b.button, Qt::LeftButton, {}, QPoint(30, 15));
    EXPECT_TRUE(b.button.isChecked());
    EXPECT_EQ(b.iconColour(), kHot);
    QTest::mouseClick(&b.button, Qt::LeftButton, {}, QPoint(30, 15));
    EXPECT_FALSE(b.button.isChecked());
    EXPECT_EQ(b.iconColour(), kNormal);
}

TEST(ImageButton, PushButtonLightsUpUnderThePointerAndSinksWhenPressed)
{
    IconButton b;
    EXPECT_EQ(b.iconColour(), kNormal);
    EXPECT_EQ(edgeOf(b.button), Edge::None);
    pointerOver(b.button);
    EXPECT_EQ(b.iconColour(), kHot);
    EXPECT_EQ(edgeOf(b.button), Edge::Raised);

    // Pressed: the icon moves by (1, 1).
    b.button.setDown(true);
    const QImage pressed = renderWidget(b.button);
    EXPECT_EQ(edgeOf(b.button), Edge::Sunken);
    EXPECT_EQ(pixelAt(pressed, 24 + 12, 9 + 12), kHot);
    EXPECT_NE(pixelAt(pressed, 24, 9), kHot);
    b.button.setDown(false);

    pointerLeaves(b.button);
    EXPECT_EQ(b.iconColour(), kNormal);
    EXPECT_EQ(edgeOf(b.button), Edge::None);
}

TEST(ImageButton, ThePointerLightsOnlyTheFlatLook)
{
    IconButton b;
    b.button.setFlat(false);
    pointerOver(b.button);
    EXPECT_FALSE(b.button.isPointerOver());

    IconButton noBorder;
    noBorder.button.setDrawBorder(false);
    pointerOver(noBorder.button);
    EXPECT_TRUE(noBorder.button.isPointerOver());
    EXPECT_EQ(edgeOf(noBorder.button), Edge::None);
}

TEST(ImageButton, LosingFocusOrBeingDisabledClearsThePointerOver)
{
    IconButton b;
    pointerOver(b.button);
    QFocusEvent focusOut(QEvent::FocusOut);
    QCoreApplication::sendEvent(&b.button, &focusOut);
    EXPECT_FALSE(b.button.isPointerOver());

    pointerOver(b.button);
    b.button.setEnabled(false);
    EXPECT_FALSE(b.button.isPointerOver());
}

TEST(ImageButton, ADoubleClickCountsAsTwoClicks)
{
    // As one platform delivers it (press, release, double-click, release)
    // and as another does (a press before the double-click).
    for (bool pressBeforeDoubleClick : {false, true}) {
        SCOPED_TRACE(pressBeforeDoubleClick);
        IconButton b;
        QSignalSpy clicks(&b.button, &QAbstractButton::clicked);
        const QPoint at(30, 15);
        QTest::mousePress(&b.button, Qt::LeftButton, {}, at);
        QTest::mouseRelease(&b.button, Qt::LeftButton, {}, at);
        if (pressBeforeDoubleClick)
            QTest::mousePress(&b.button, Qt::LeftButton, {}, at);
        QTest::mouseDClick(&b.button, Qt::LeftButton, {}, at);
        QTest::mouseRelease(&b.button, Qt::LeftButton, {}, at);
        EXPECT_EQ(clicks.count(), 2);
    }
}

TEST(ImageButton, IconPlacementByAlignment)
{
    struct Row {
        ImageAlign align;
        bool caption;
        QRect image;
    };
    const QRect client(0, 0, 100, 40);
    const Row rows[] = {
        {ImageAlign::Left, true, QRect(3, 14, 12, 12)},
        {ImageAlign::Left, false, QRect(44, 14, 12, 12)},
        {ImageAlign::Above, true, QRect(44, 3, 12, 12)},
        {ImageAlign::Above, false, QRect(44, 14, 12, 12)},
        {ImageAlign::Right, true, QRect(85, 14, 12, 12)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << int(row.align) << " caption " << row.caption);
        const ImagePlacement placement = placeImage(client, QSize(12, 12), row.align, row.caption, QPoint(3, 3));
        EXPECT_EQ(placement.image, row.image);
        EXPECT_FALSE(placement.caption.intersects(placement.image));
    }
    // Too tall for the button: scaled down inside the margins, proportions kept.
    const ImagePlacement small = placeImage(QRect(0, 0, 80, 20), QSize(32, 32), ImageAlign::Left, true, QPoint(3, 3));
    EXPECT_EQ(small.image.size(), QSize(14, 14));
}

TEST(ImageButton, CaptionIsDrawnInTheHotColourUnderThePointerAndEmbossedWhenDisabled)
{
    CButtonST button(QStringLiteral("MMMM"));
    button.setPalette(distinctPalette());
    button.resize(80, 30);
    const QColor hotText(0, 178, 0);
    button.setColour(CButtonST::Colour::HotText, hotText);
    auto hasPixel = [](const QImage& image, const QColor& colour) {
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (pixelAt(image, x, y) == colour)
                    return true;
        return false;
    };
    EXPECT_FALSE(hasPixel(renderWidget(button), hotText));
    pointerOver(button);
    EXPECT_TRUE(hasPixel(renderWidget(button), hotText));
    pointerLeaves(button);
    button.setEnabled(false);
    const QImage disabled = renderWidget(button);
    // The highlight shows below and right of the shadow-coloured text.
    bool highlight = false;
    for (int y = 0; y < disabled.height(); ++y)
        for (int x = 0; x < disabled.width(); ++x)
            highlight = highlight || pixelAt(disabled, x, y).red() > 180;
    EXPECT_TRUE(highlight);
    EXPECT_TRUE(hasPixel(disabled, QColor(60, 60, 60)));
    EXPECT_FALSE(hasPixel(disabled, QColor(0, 0, 0)));
}

TEST(ImageButton, TransparentButtonKeepsTheBackgroundOfItsFirstPaint)
{
    QWidget parent;
    parent.setAutoFillBackground(true);
    QPalette pal = parent.palette();
    pal.setColor(QPalette::Window, QColor(10, 120, 200));
    parent.setPalette(pal);
    parent.resize(100, 60);
    auto* button = new CButtonST(&parent);
    button->setGeometry(20, 10, 60, 30);
    button->setTransparent(true);

    EXPECT_EQ(pixelAt(renderWidget(parent), 50, 25), QColor(10, 120, 200));
    pal.setColor(QPalette::Window, QColor(200, 30, 30));
    parent.setPalette(pal);
    const QImage after = renderWidget(parent);
    EXPECT_EQ(pixelAt(after, 5, 5), QColor(200, 30, 30)) << "the parent changed";
    EXPECT_EQ(pixelAt(after, 50, 25), QColor(10, 120, 200)) << "the button did not";
}

TEST(ImageButton, TransparentButtonShowsWhatEveryAncestorPaintsUnderIt)
{
    // A window with a background, a frame that fills itself in part, and a
    // page that paints nothing: the button shows the window and the frame.
    struct HalfFilled : QWidget {
        using QWidget::QWidget;
        void paintEvent(QPaintEvent*) override
        {
            QPainter painter(this);
            painter.fillRect(0, 0, width() / 2, height(), QColor(250, 200, 0));
        }
    };
    QWidget window;
    window.setAutoFillBackground(true);
    QPalette pal = window.palette();
    pal.setColor(QPalette::Window, QColor(10, 120, 200));
    window.setPalette(pal);
    window.resize(200, 100);
    auto* frame = new HalfFilled(&window);
    frame->setGeometry(0, 0, 200, 100);
    auto* page = new QWidget(frame);
    page->setGeometry(20, 20, 160, 60);
    auto* button = new CButtonST(page);
    button->setGeometry(40, 10, 80, 40);
    button->setTransparent(true);
    const QImage image = renderWidget(window);
    // The button spans x 60..139 of the window; the frame paints x < 100.
    EXPECT_EQ(pixelAt(image, 65, 45), QColor(250, 200, 0));
    EXPECT_EQ(pixelAt(image, 135, 45), QColor(10, 120, 200));
}

TEST(ImageButton, SystemColourChangeRestoresColoursAndDropsTheCapturedBackground)
{
    const QPalette original = QApplication::palette();
    QWidget parent;
    parent.setAutoFillBackground(true);
    parent.resize(100, 60);
    auto* button = new CButtonST(QStringLiteral("Load"), &parent);
    button->setGeometry(20, 10, 60, 30);
    button->setColour(CButtonST::Colour::HotText, QColor(0, 178, 0));
    button->setColour(CButtonST::Colour::NormalBackground, QColor(1, 2, 3));
    button->setTransparent(true);
    renderWidget(parent);

    QPalette system = original;
    system.setColor(QPalette::Button, QColor(170, 160, 150));
    system.setColor(QPalette::ButtonText, QColor(20, 30, 40));
    system.setColor(QPalette::Window, QColor(33, 99, 33));
    QApplication::setPalette(system);
    QCoreApplication::processEvents();
    EXPECT_EQ(button->colour(CButtonST::Colour::HotText), QColor(20, 30, 40));
    EXPECT_EQ(button->colour(CButtonST::Colour::NormalBackground), QColor(170, 160, 150));
    EXPECT_EQ(pixelAt(renderWidget(parent), 22, 12), QColor(33, 99, 33)) << "captured again";
    QApplication::setPalette(original);
    QCoreApplication::processEvents();
}

TEST(ImageButton, APageBackgroundChangeKeepsThePagesColours)
{
    QWidget parent;
    auto* button = new CButtonST(QStringLiteral("Load"), &parent);
    button->setColour(CButtonST::Colour::HotText, QColor(0, 178, 0));
    QPalette grey = parent.palette();
    grey.setColor(QPalette::Window, QColor(192, 192, 192));
    parent.setPalette(grey);
    QCoreApplication::processEvents();
    EXPECT_EQ(button->colour(CButtonST::Colour::HotText), QColor(0, 178, 0));
}

TEST(ImageButton, ClickOpensTheWebAddressButNotInCheckBoxMode)
{
    QStringList opened;
    CButtonST button;
    button.resize(40, 20);
    button.setUrlOpener([&opened](const QUrl& url) {
        opened << url.toString();
        return true;
    });
    button.setUrl(QStringLiteral("https://zepta.invalid/"));
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(opened, QStringList{QStringLiteral("https://zepta.invalid/")});

    button.setCheckBoxMode(true);
    button.click();
    EXPECT_EQ(opened.size(), 1);

    button.setUrl(QString(400, QLatin1Char('a')));
    EXPECT_EQ(button.url().size(), CButtonST::kUrlCapacity - 1);
}

TEST(ImageButton, BitmapRedShowsTheBackground)
{
    QImage bitmap(20, 10, QImage::Format_RGB32);
    bitmap.fill(QColor(255, 0, 0));
    for (int x = 5; x < 15; ++x)
        bitmap.setPixel(x, 5, qRgb(0, 0, 0));
    CButtonST button;
    button.setPalette(distinctPalette());
    button.resize(40, 30);
    button.AssignBitmaps(bitmap, bitmap);
    const QImage image = renderWidget(button);
    // Centred: the bitmap spans (10, 10) to (29, 19).
    EXPECT_EQ(pixelAt(image, 12, 12), QColor(128, 128, 128));
    EXPECT_EQ(pixelAt(image, 17, 15), QColor(0, 0, 0));
}

TEST(ImageButton, TooltipsWrapAt400Pixels)
{
    const QFont font;
    const QString url = QStringLiteral("https://zepta.invalid/") + QString(300, QLatin1Char('x'));
    const QString words = QString(QStringLiteral("support line ")).repeated(60).trimmed();
    for (const QString& text : {url, words}) {
        const QString wrapped = wrapToWidth(text, font, CButtonST::kTooltipMaxWidth);
        const QStringList lines = wrapped.split(QLatin1Char('\n'));
        EXPECT_GT(lines.size(), 1);
        for (const QString& line : lines)
            EXPECT_LE(QFontMetrics(font).horizontalAdvance(line), CButtonST::kTooltipMaxWidth) << line.toStdString();
        QString joined = lines.join(QString());
        EXPECT_EQ(joined.remove(QLatin1Char(' ')), QString(text).remove(QLatin1Char(' ')));
    }
    EXPECT_EQ(wrapToWidth(QStringLiteral("short"), font, 400), QStringLiteral("short"));
}

}  // namespace
}  // namespace lumivex
