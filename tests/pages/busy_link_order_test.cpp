// What the operator does while a read-back waits on the link's worker: it
// lands behind the read-back, in order, and the read-back's answer goes to
// the page that asked. The monitor holds its first reply until the row's
// action is done, so "during" never depends on timing.

#include "page_fixture.h"
#include "pages/setting_page.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QTest>
#include <QTimer>

#include <condition_variable>
#include <mutex>

using namespace lumivex;
using lumivex::testing::PageFixture;
using lumivex::testing::RecordingDdc;

namespace {

// A K410 whose read of the input source waits until the test opens the
// gate; every call in one list, in order.
class GatedDdc final : public DdcApi {
public:
    int32_t InstallDriver(int32_t a, int32_t b) override { return inner.InstallDriver(a, b); }
    int32_t InitDDCHelper() override { return inner.InitDDCHelper(); }
    int32_t EnumGetFirst(uint32_t* handle) override { return inner.EnumGetFirst(handle); }
    int32_t EnumGetNext(uint32_t* handle) override { return inner.EnumGetNext(handle); }
    int32_t GetCIValue(uint32_t handle, uint32_t vcp, uint32_t* current, uint32_t* maximum) override
    {
        std::unique_lock lock(m_lock);
        m_opened.wait(lock, [&] { return m_gateOpen || vcp != kGated; });
        calls.push_back(QStringLiteral("get %1").arg(vcp, 2, 16, QLatin1Char('0')).toUpper());
        return inner.GetCIValue(handle, vcp, current, maximum);
    }
    int32_t SetCIValue(uint32_t handle, uint32_t vcp, uint32_t value) override
    {
        std::lock_guard lock(m_lock);
        calls.push_back(QStringLiteral("set %1 %2").arg(vcp, 2, 16, QLatin1Char('0')).arg(value).toUpper());
        return inner.SetCIValue(handle, vcp, value);
    }

    void closeGate()
    {
        std::lock_guard lock(m_lock);
        m_gateOpen = false;
    }
    void openGate()
    {
        {
            std::lock_guard lock(m_lock);
            m_gateOpen = true;
        }
        m_opened.notify_all();
    }

    static constexpr uint32_t kGated = 0x60;
    RecordingDdc inner;
    QStringList calls;  // read by the test once the link is idle

private:
    std::mutex m_lock;
    std::condition_variable m_opened;
    bool m_gateOpen = true;
};

// The Setting read-back of a K410 on DVI, powered on.
const QStringList kSettingReadBack{"GET 60", "GET D6", "GET FC", "GET B3"};

struct BusyRow {
    const char* name;
    // Done while the Setting page's read-back waits.
    std::function<void(PageFixture&)> during;
    QStringList calls;  // after the read-back started
    QStringList messages;
    std::function<void(PageFixture&)> check;
};

QAbstractButton& settingButton(PageFixture& f, int id)
{
    return *f.sheet.settingPage()->control<QAbstractButton>(id);
}

const BusyRow kRows[] = {
    {"a click goes out after the read-back",
     [](PageFixture& f) { QTest::mouseClick(&settingButton(f, Image::kComponentId), Qt::LeftButton); },
     kSettingReadBack + QStringList{"SET 60 1"}, {},
     [](PageFixture& f) {
         // The click's choice shows, not the read-back's that came before it.
         EXPECT_TRUE(settingButton(f, Image::kComponentId).isChecked());
         EXPECT_EQ(f.sheet.settingPage()->state().inputSource, 1);
     }},
    {"a tab change: the answer goes to the page that asked", [](PageFixture& f) { f.sheet.tabs()->setCurrentIndex(1); },
     kSettingReadBack + QStringList{"GET B0", "GET B1", "GET B2"}, {},
     [](PageFixture& f) {
         EXPECT_EQ(f.sheet.settingPage()->state().inputSource, 2);
         EXPECT_TRUE(settingButton(f, Image::kDviId).isChecked());
         EXPECT_EQ(f.sheet.tabs()->currentIndex(), 1);
     }},
    {"Unload waits for the answer, and nothing is read after it",
     [](PageFixture& f) {
         QTest::keyClick(&f.sheet, Qt::Key_Tab, Qt::ControlModifier);
         QTest::keyClick(&f.sheet, Qt::Key_Tab, Qt::ControlModifier);
         QTest::mouseClick(&f.button(System::kUnloadId), Qt::LeftButton);
     },
     kSettingReadBack, {"Unload all devices"},
     [](PageFixture& f) {
         EXPECT_EQ(f.state(), PageFixture::kUnloaded);
         EXPECT_EQ(f.sheet.settingPage()->state().inputSource, 2);
     }},
    {"closing waits for the answer", [](PageFixture& f) { f.sheet.close(); }, kSettingReadBack, {},
     [](PageFixture& f) {
         EXPECT_FALSE(f.sheet.isVisible());
         EXPECT_TRUE(f.sheet.linkIdle());
     }},
};

class BusyLink : public ::testing::TestWithParam<BusyRow> {};

}  // namespace

TEST_P(BusyLink, WhatTheOperatorDoesLandsBehindTheReadBack)
{
    const BusyRow& row = GetParam();
    auto owned = std::make_unique<GatedDdc>();
    GatedDdc& ddc = *owned;
    ddc.inner.monitors = 1;
    ddc.inner.values = {{0xF8, 0xF800}, {0x60, 2}, {0xD6, 1}, {0xB1, 0}};
    PageFixture f(std::move(owned));
    f.load("DDC2Bi");
    f.showTab(2);
    f.messages.texts.clear();
    ddc.calls.clear();

    ddc.closeGate();
    bool during = false;
    bool busyToAssistiveTechnology = false;
    Qt::CursorShape busyCursor = Qt::ArrowCursor;
    const auto accessibleBusy = [&] { return QAccessible::queryAccessibleInterface(&f.sheet)->state().busy; };
    // Runs inside the wait: the window's event loop goes on meanwhile.
    QTimer::singleShot(0, &f.sheet, [&] {
        during = true;
        busyCursor = f.sheet.cursor().shape();
        busyToAssistiveTechnology = accessibleBusy();
        row.during(f);
        ddc.openGate();
    });
    settingButton(f, Image::kRefreshId).click();
    f.settle();

    EXPECT_TRUE(during);
    EXPECT_EQ(busyCursor, Qt::BusyCursor);
    EXPECT_EQ(f.sheet.cursor().shape(), Qt::ArrowCursor);
    EXPECT_TRUE(busyToAssistiveTechnology);
    EXPECT_FALSE(accessibleBusy());
    EXPECT_TRUE(f.sheet.linkIdle());
    EXPECT_EQ(ddc.calls, row.calls);
    EXPECT_EQ(f.messages.texts, row.messages);
    row.check(f);
}

INSTANTIATE_TEST_SUITE_P(Rows, BusyLink, ::testing::ValuesIn(kRows), [](const auto& info) {
    std::string name = info.param.name;
    for (char& c : name)
        c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
});
