#pragma once
// A sheet on the offscreen platform with recorded message boxes and a
// ZEPTA.ini of its own, for the page tests: the DDC/CI side is the
// simulated library or a recording double, the serial side a real port.

#include "link/ddc/ddc_library.h"
#include "platform/ini_profile.h"
#include "pages/interface_page.h"
#include "recording_ddc.h"
#include "recording_messages.h"
#include "reply_waits.h"
#include "link/serial/serial_mfc.h"
#include "app/sheet_osd.h"
#include "temp_dir.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QTabWidget>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace lumivex::testing {

// Environment variables set for one scope, e.g. {"ZEPTA_COM3", "/dev/pts/4"}.
class ScopedEnv {
public:
    ScopedEnv(std::initializer_list<std::pair<const char*, std::string>> values)
    {
        for (const auto& [name, value] : values) {
            setenv(name, value.c_str(), 1);
            m_names.push_back(name);
        }
    }
    ~ScopedEnv()
    {
        for (const char* name : m_names)
            unsetenv(name);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::vector<const char*> m_names;
};

inline std::string simLibraryPath()
{
    const char* dir = std::getenv("LUMIVEX_BIN_DIR");
    return std::string(dir ? dir : ".") + "/libDDCHelper-sim.so";
}

// The real port, with a line set-up it can be told to reject and a record
// of the names it was asked to open and of every read.
class SpyPort final : public CSerialMFC {
public:
    ~SpyPort() override { close(); }

    using CSerialMFC::open;
    int32_t open(const char* device, QObject* window, uint32_t message, intptr_t parameter, uint32_t inQueue,
                 uint32_t outQueue) override
    {
        opened.emplace_back(device);
        return CSerialMFC::open(device, window, message, parameter, inQueue, outQueue);
    }
    int32_t setLineParameters(uint32_t baud, int32_t dataBits, int32_t parity, int32_t stopBits) override
    {
        if (rejectLine)
            return record(EINVAL);  // as a driver that cannot do 115200 baud
        return CSerialMFC::setLineParameters(baud, dataBits, parity, stopBits);
    }
    int32_t read(void* buffer, uint32_t length, uint32_t* count, SerialOverlapped* overlapped,
                 uint32_t timeoutMs) override
    {
        const int32_t status = CSerialMFC::read(buffer, length, count, overlapped, timeoutMs);
        reads.push_back(count ? *count : 0);
        return status;
    }

    bool rejectLine = false;
    std::vector<std::string> opened;
    std::vector<uint32_t> reads;  // bytes each read handed over
};

class PageFixture {
public:
    // With the simulated library (ZEPTA_SIM_* as set now).
    PageFixture()
        : PageFixture(std::make_unique<DdcLibrary>(std::vector<std::string>{simLibraryPath()}))
    {
    }
    explicit PageFixture(std::unique_ptr<DdcApi> ddc)
        : m_ddc(std::move(ddc))
        , sheet(*m_ddc, messages, profile)
    {
        sheet.link().setReplyWait(kGenerousReplyWait);
        sheet.show();
        settle();
        messages.texts.clear();  // what start-up showed is the sheet's business
    }

    System& page() { return *sheet.interfacePage(); }
    QComboBox& portBox() { return *page().portBox(); }
    QAbstractButton& button(int id) { return *page().control<QAbstractButton>(id); }

    // The operator types or picks text in the port box and presses "Load".
    void load(const QString& text)
    {
        portBox().setEditText(text);
        button(System::kLoadId).click();
    }
    void unload() { button(System::kUnloadId).click(); }

    // The sheet's port becomes a spy; returns it.
    SpyPort& spyPort()
    {
        auto port = std::make_unique<SpyPort>();
        SpyPort& spy = *port;
        sheet.link().replacePort(std::move(port));
        return spy;
    }

    // Shows a tab and lets its activation run.
    void showTab(int index)
    {
        sheet.tabs()->setCurrentIndex(index);
        settle();
    }
    static void settle() { QCoreApplication::processEvents(); }

    struct State {
        bool portBoxEnabled, loadEnabled, unloadEnabled;
        InterfaceMode mode;
        bool operator==(const State&) const = default;
    };
    State state()
    {
        return {portBox().isEnabled(), button(System::kLoadId).isEnabled(), button(System::kUnloadId).isEnabled(),
                sheet.link().interfaceMode()};
    }
    static constexpr State kUnloaded{true, true, false, InterfaceMode::None};
    static State loaded(InterfaceMode mode) { return {false, false, true, mode}; }

    TempDir dir;
    IniProfile profile{dir / "ZEPTA.ini"};
    RecordingMessages messages;

private:
    std::unique_ptr<DdcApi> m_ddc;

public:
    Sheet_OSD sheet;
};

inline std::ostream& operator<<(std::ostream& out, const PageFixture::State& s)
{
    return out << "{box " << s.portBoxEnabled << ", load " << s.loadEnabled << ", unload " << s.unloadEnabled
               << ", mode " << int(s.mode) << "}";
}

}  // namespace lumivex::testing
