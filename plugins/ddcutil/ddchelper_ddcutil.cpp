// libDDCHelper.so: the DDC/CI library on real monitors, over libddcutil
// (/dev/i2c-*). Handles are indexes into the table of displays found by
// InitDDCHelper; a display is opened at its first value operation and stays
// open, since handles stay valid for the life of the process.

#include "link/ddc/ddchelper.h"

#include <ddcutil_c_api.h>
#include <ddcutil_status_codes.h>

#include <fcntl.h>
#include <glob.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <mutex>
#include <vector>

extern char** environ;

namespace {

// Statuses of our own; libddcutil's own (negative) codes pass through.
constexpr int32_t kNotInitialised = 1;
constexpr int32_t kNoMoreMonitors = 2;
constexpr int32_t kBadHandle = 3;
constexpr int32_t kBadArgument = 4;
constexpr int32_t kNoI2cDevices = 5;

struct Display {
    DDCA_Display_Ref ref = nullptr;
};

struct Library {
    std::mutex mutex;
    bool initialised = false;
    DDCA_Display_Info_List* list = nullptr;
    std::vector<Display> displays;
    size_t cursor = 0;
};

Library& library()
{
    static Library lib;
    return lib;
}

bool hasI2cDevices()
{
    glob_t found{};
    const bool any = ::glob("/dev/i2c-*", 0, nullptr, &found) == 0 && found.gl_pathc > 0;
    ::globfree(&found);
    return any;
}

// Loads the i2c-dev kernel module; only root may, and only when no
// /dev/i2c-* exists yet. Anyone else gets a status and nothing is touched.
int32_t loadI2cDevModule()
{
    if (hasI2cDevices())
        return 0;
    if (::geteuid() != 0)
        return kNoI2cDevices;
    pid_t pid = 0;
    char program[] = "/sbin/modprobe";
    char quiet[] = "-q";
    char module[] = "i2c-dev";
    char* argv[] = {program, quiet, module, nullptr};
    // modprobe's complaints (no module, not permitted in a container) are
    // answered by the status; they are not for the operator's terminal.
    posix_spawn_file_actions_t quietOutput;
    if (::posix_spawn_file_actions_init(&quietOutput) != 0)
        return kNoI2cDevices;
    ::posix_spawn_file_actions_addopen(&quietOutput, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    ::posix_spawn_file_actions_adddup2(&quietOutput, STDOUT_FILENO, STDERR_FILENO);
    const int spawned = ::posix_spawn(&pid, program, &quietOutput, nullptr, argv, environ);
    ::posix_spawn_file_actions_destroy(&quietOutput);
    if (spawned != 0)
        return kNoI2cDevices;
    int status = 0;
    if (::waitpid(pid, &status, 0) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return kNoI2cDevices;
    return hasI2cDevices() ? 0 : kNoI2cDevices;
}

void releaseDisplays(Library& lib)
{
    lib.displays.clear();
    if (lib.list)
        ddca_free_display_info_list(lib.list);
    lib.list = nullptr;
}

// The display behind a handle, open for one call. An open display belongs
// to the thread that opened it until it is closed, so it is never kept:
// the panel's link works on a thread of its own, and one that ended would
// otherwise hold the display for good.
class OpenDisplay {
public:
    OpenDisplay(Library& lib, uint32_t index)
    {
        if (!lib.initialised)
            m_status = kNotInitialised;
        else if (index >= lib.displays.size())
            m_status = kBadHandle;
        else if (const DDCA_Status rc = ddca_open_display2(lib.displays[index].ref, true, &m_handle); rc != 0)
            m_status = rc, m_handle = nullptr;
    }
    ~OpenDisplay()
    {
        if (m_handle)
            ddca_close_display(m_handle);
    }
    OpenDisplay(const OpenDisplay&) = delete;
    OpenDisplay& operator=(const OpenDisplay&) = delete;

    int32_t status() const { return m_status; }
    DDCA_Display_Handle handle() const { return m_handle; }

private:
    DDCA_Display_Handle m_handle = nullptr;
    int32_t m_status = 0;
};

}  // namespace

extern "C" {

int32_t InstallDriver(int32_t, int32_t)
{
    return loadI2cDevModule();
}

int32_t InitDDCHelper(void)
{
    Library& lib = library();
    std::lock_guard lock(lib.mutex);
    // Diagnostics of the library are not the operator's business.
    ddca_set_fout(nullptr);
    ddca_set_ferr(nullptr);
    releaseDisplays(lib);
    lib.initialised = false;
    lib.cursor = 0;
    const DDCA_Status rc = ddca_get_display_info_list2(false, &lib.list);
    if (rc != 0) {
        lib.list = nullptr;
        return rc;
    }
    for (int i = 0; i < lib.list->ct; ++i)
        lib.displays.push_back({lib.list->info[i].dref});
    lib.initialised = true;
    return 0;
}

int32_t EnumGetFirst(uint32_t* handle)
{
    Library& lib = library();
    std::lock_guard lock(lib.mutex);
    if (!handle)
        return kBadArgument;
    if (!lib.initialised)
        return kNotInitialised;
    lib.cursor = 0;
    if (lib.displays.empty())
        return kNoMoreMonitors;
    *handle = 0;
    lib.cursor = 1;
    return 0;
}

int32_t EnumGetNext(uint32_t* handle)
{
    Library& lib = library();
    std::lock_guard lock(lib.mutex);
    if (!handle)
        return kBadArgument;
    if (!lib.initialised)
        return kNotInitialised;
    if (lib.cursor == 0 || lib.cursor >= lib.displays.size())
        return kNoMoreMonitors;
    *handle = static_cast<uint32_t>(lib.cursor++);
    return 0;
}

int32_t GetCIValue(uint32_t handle, uint32_t vcp, uint32_t* current, uint32_t* maximum)
{
    Library& lib = library();
    std::lock_guard lock(lib.mutex);
    if (!current || !maximum || vcp > 0xFF)
        return kBadArgument;
    const OpenDisplay display(lib, handle);
    if (display.status() != 0)
        return display.status();
    DDCA_Non_Table_Vcp_Value value{};
    const DDCA_Status rc = ddca_get_non_table_vcp_value(display.handle(), static_cast<DDCA_Vcp_Feature_Code>(vcp), &value);
    if (rc != 0)
        return rc;
    *current = (uint32_t(value.sh) << 8) | value.sl;
    *maximum = (uint32_t(value.mh) << 8) | value.ml;
    return 0;
}

int32_t SetCIValue(uint32_t handle, uint32_t vcp, uint32_t value)
{
    Library& lib = library();
    std::lock_guard lock(lib.mutex);
    if (vcp > 0xFF || value > 0xFFFF)
        return kBadArgument;
    const OpenDisplay display(lib, handle);
    if (display.status() != 0)
        return display.status();
    // No read-back after a Set: the controller reports some codes its own
    // way (power off reads 4, rotation is not what OSD mode reads) and the
    // momentary ones (auto adjust, identify) not at all, so a verified Set
    // of those fails although the controller did it; and it costs a Get.
    // The pages read back what they need. The setting is per thread.
    ddca_enable_verify(false);
    return ddca_set_non_table_vcp_value(display.handle(), static_cast<DDCA_Vcp_Feature_Code>(vcp),
                                        static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value & 0xFF));
}

const char* DDCStatusName(int32_t status)
{
    switch (status) {
    case kNotInitialised: return "not initialised";
    case kNoMoreMonitors: return "no more monitors";
    case kBadHandle: return "bad handle";
    case kBadArgument: return "bad argument";
    case kNoI2cDevices: return "no /dev/i2c devices";
    default: break;
    }
    // libddcutil's own codes are negative and named by it.
    return status < 0 ? ddca_rc_name(status) : nullptr;
}

}  // extern "C"
