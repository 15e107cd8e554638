// What the four pages share: Enter swallowed on all but "About", the
// read-back on every entry and "Refresh", the tiled background, and
// initialisation at the first showing of a tab.

#include "pages/about_page.h"
#include "res/artwork.h"
#include "pages/display_page.h"
#include "pages/page_background.h"
#include "page_fixture.h"
#include "pages/setting_page.h"

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QTest>

using namespace lumivex;
using lumivex::testing::PageFixture;

namespace {

// Counts the Enter presses that reach the sheet itself.
class EnterCounter : public QObject {
public:
    int count = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            count += key == Qt::Key_Return || key == Qt::Key_Enter;
        }
        return QObject::eventFilter(watched, event);
    }
};

QRgb bitmapPixel(int x, int y)
{
    static const QImage bitmap(bitmapPath(PageBackground::kBitmapId));
    return bitmap.pixel(x % bitmap.width(), y % bitmap.height());
}

}  // namespace

TEST(PageFrame, EnterGoesNoFurtherThanTheControlOnAllButAbout)
{
    PageFixture f;
    EnterCounter counter;
    f.sheet.installEventFilter(&counter);
    const struct {
        int tab;
        int controlId;
        int reachingSheet;  // per key, Return and Enter
    } cases[] = {{0, System::kLoadId, 0}, {1, OSD_Color::kRefreshId, 0}, {2, Image::kRefreshId, 0}, {3, 1097, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tab);
        f.showTab(c.tab);
        auto* page = static_cast<PropertyPage*>(f.sheet.tabs()->widget(c.tab));
        QWidget* target = page->control(c.controlId);
        ASSERT_NE(target, nullptr);
        counter.count = 0;
        QTest::keyClick(target, Qt::Key_Return);
        QTest::keyClick(target, Qt::Key_Enter);
        EXPECT_EQ(counter.count, 2 * c.reachingSheet);
    }
    QTest::keyClick(f.portBox().lineEdit(), Qt::Key_Return);
    EXPECT_EQ(counter.count, 2) << "nor from the port box's edit field";
}

TEST(PageFrame, WithNoLinkEveryEntryAndRefreshOfDisplayOrSettingSaysSo)
{
    PageFixture f;
    f.showTab(1);
    f.showTab(2);
    f.showTab(3);
    f.showTab(0);
    f.showTab(2);
    f.showTab(1);
    EXPECT_EQ(f.messages.texts, QStringList(4, "Interface port unload"));
    f.sheet.displayPage()->control<QAbstractButton>(OSD_Color::kRefreshId)->click();
    f.showTab(2);
    f.sheet.settingPage()->control<QAbstractButton>(Image::kRefreshId)->click();
    f.sheet.settingPage()->control<QAbstractButton>(Image::kRefreshId)->click();
    EXPECT_EQ(f.messages.texts, QStringList(8, "Interface port unload"));
    // The window back from the task bar shows the page again: no tab change.
    f.sheet.setWindowState(Qt::WindowMinimized);
    f.sheet.setWindowState(Qt::WindowNoState);
    f.settle();
    ASSERT_TRUE(f.sheet.settingPage()->isVisible());
    EXPECT_EQ(f.messages.texts, QStringList(8, "Interface port unload"));
}

TEST(PageFrame, InitialisedAtTheFirstShowingOfItsTab)
{
    PageFixture f;
    EXPECT_TRUE(f.page().isInitialised());
    EXPECT_FALSE(f.sheet.displayPage()->isInitialised());
    const int ports = f.portBox().count();
    f.showTab(1);
    EXPECT_TRUE(f.sheet.displayPage()->isInitialised());
    EXPECT_TRUE(f.sheet.displayPage()->background().isLoaded());
    f.showTab(0);
    EXPECT_EQ(f.portBox().count(), ports) << "the port list is built once";
}

TEST(PageFrame, BackgroundRepeatsFromTheTopLeftCorner)
{
    OSD_About page;
    page.resize(1300, 1000);  // more than two tiles each way
    page.show();
    ASSERT_EQ(page.background().width(), 590);
    ASSERT_EQ(page.background().height(), 450);
    const QImage shot = page.grab().toImage();
    // Outside the page's controls: the corner, and tiles of the second and
    // third row and column.
    for (const QPoint at : {QPoint(2, 2), QPoint(600, 700), QPoint(1185, 460), QPoint(1299, 999), QPoint(700, 905)}) {
        SCOPED_TRACE(::testing::Message() << at.x() << "," << at.y());
        EXPECT_EQ(QColor(shot.pixel(at)).rgb(), QColor(bitmapPixel(at.x(), at.y())).rgb());
    }
}

TEST(PageFrame, WithoutItsBitmapAPageHasNoBackgroundToTile)
{
    PageBackground background;
    ASSERT_TRUE(background.load());
    EXPECT_FALSE(background.load(9999));
    EXPECT_FALSE(background.isLoaded());
    QImage target(40, 30, QImage::Format_RGB32);
    target.fill(Qt::red);
    QPainter painter(&target);
    EXPECT_FALSE(background.tile(painter, target.rect()));
    painter.end();
    EXPECT_EQ(target.pixel(20, 15), QColor(Qt::red).rgb()) << "left for the default background";
}
