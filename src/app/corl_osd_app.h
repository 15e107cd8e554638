#pragma once
// Start-up: one running copy, the DDC/CI driver, the program's directory and
// INI file, then the sheet run modally; the process ends when it closes.

#include "platform/ini_profile.h"
#include "platform/instance_lock.h"

#include <filesystem>
#include <functional>
#include <memory>

namespace lumivex {

class DdcApi;
class MessageService;
class Sheet_OSD;

class CORL_OSDApp {
public:
    static constexpr const char* kAlreadyRunning = "Lumivex is running,ERROR OPEN";
    // Exit status when another copy already runs.
    static constexpr int kExitAlreadyRunning = 1;

    using RunSheet = std::function<void(Sheet_OSD&)>;

    CORL_OSDApp(MessageService& messages, DdcApi& ddc);
    ~CORL_OSDApp();

    // Replaces the modal run of the sheet (scripted runs and tests).
    void setRunSheet(RunSheet run) { m_runSheet = std::move(run); }
    // Where the program's directory is taken from (default: the executable's).
    void setExecutableDirectory(std::filesystem::path dir) { m_applicationDirectory = std::move(dir); }

    // The whole life of the panel; returns the process's exit status.
    int InitInstance();

    const std::filesystem::path& applicationDirectory() const { return m_applicationDirectory; }
    const IniProfile* profile() const { return m_profile.get(); }

private:
    MessageService& m_messages;
    DdcApi& m_ddc;
    InstanceLock m_instanceLock;
    std::filesystem::path m_applicationDirectory;
    std::unique_ptr<IniProfile> m_profile;
    RunSheet m_runSheet;
};

}  // namespace lumivex
