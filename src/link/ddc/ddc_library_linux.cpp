#include "link/ddc/ddc_library.h"

#include "platform/app_paths.h"
#include "link/ddc/ddchelper.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

namespace lumivex {

struct DdcLibrary::Functions {
    decltype(&::InstallDriver) installDriver = nullptr;
    decltype(&::InitDDCHelper) initDdcHelper = nullptr;
    decltype(&::EnumGetFirst) enumGetFirst = nullptr;
    decltype(&::EnumGetNext) enumGetNext = nullptr;
    decltype(&::GetCIValue) getCiValue = nullptr;
    decltype(&::SetCIValue) setCiValue = nullptr;
    decltype(&::DDCStatusName) statusName = nullptr;  // optional
};

namespace {

// The DDC/CI stack may print while it loads; that text is not the user's
// business, so standard output points at /dev/null for the duration.
class QuietStdout {
public:
    QuietStdout()
    {
        std::fflush(stdout);
        m_saved = ::dup(STDOUT_FILENO);
        const int devNull = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (m_saved >= 0 && devNull >= 0)
            ::dup2(devNull, STDOUT_FILENO);
        if (devNull >= 0)
            ::close(devNull);
    }
    ~QuietStdout()
    {
        std::fflush(stdout);
        if (m_saved >= 0) {
            ::dup2(m_saved, STDOUT_FILENO);
            ::close(m_saved);
        }
    }
    QuietStdout(const QuietStdout&) = delete;
    QuietStdout& operator=(const QuietStdout&) = delete;

private:
    int m_saved = -1;
};

template <typename F>
bool resolve(void* handle, const char* name, F& out)
{
    out = reinterpret_cast<F>(::dlsym(handle, name));
    return out != nullptr;
}

}  // namespace

std::vector<std::string> defaultDdcLibraryCandidates(const std::filesystem::path& executableDir,
                                                     const char* overridePath)
{
    // Named on purpose, it is the only one: a file that is missing or does
    // not load must be reported, not replaced by whatever else is found.
    if (overridePath && overridePath[0] != '\0')
        return {overridePath};
    std::vector<std::string> candidates;
    candidates.push_back((executableDir / kDdcLibraryFileName).string());
    candidates.push_back((installedPluginDirectory(executableDir) / kDdcLibraryFileName).string());
    candidates.emplace_back(kDdcLibraryFileName);
    return candidates;
}

DdcLibrary::DdcLibrary(const std::vector<std::string>& candidates)
{
    for (const std::string& candidate : candidates) {
        if (tryLoad(candidate))
            break;
    }
}

DdcLibrary::~DdcLibrary()
{
    // The library may keep threads or atexit handlers of its own; it stays
    // mapped until the process ends, as a library without a shutdown call must.
    delete m_functions;
}

bool DdcLibrary::tryLoad(const std::string& candidate)
{
    void* handle = nullptr;
    {
        QuietStdout quiet;
        handle = ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
    }
    if (!handle) {
        const char* why = ::dlerror();
        m_loadError = why ? why : candidate + ": cannot be loaded";
        return false;
    }
    auto* f = new Functions;
    const bool complete = resolve(handle, "InstallDriver", f->installDriver)
        && resolve(handle, "InitDDCHelper", f->initDdcHelper)
        && resolve(handle, "EnumGetFirst", f->enumGetFirst)
        && resolve(handle, "EnumGetNext", f->enumGetNext)
        && resolve(handle, "GetCIValue", f->getCiValue)
        && resolve(handle, "SetCIValue", f->setCiValue);
    if (!complete) {
        m_loadError = candidate + ": does not export the six DDC/CI functions";
        delete f;
        ::dlclose(handle);
        return false;
    }
    resolve(handle, "DDCStatusName", f->statusName);
    m_handle = handle;
    m_functions = f;
    m_loadedFrom = candidate;
    m_loadError.clear();
    return true;
}

int32_t DdcLibrary::InstallDriver(int32_t a, int32_t b)
{
    if (!m_functions)
        return kDdcLibraryMissing;
    QuietStdout quiet;
    return m_functions->installDriver(a, b);
}

int32_t DdcLibrary::InitDDCHelper()
{
    if (!m_functions)
        return kDdcLibraryMissing;
    QuietStdout quiet;
    return m_functions->initDdcHelper();
}

int32_t DdcLibrary::EnumGetFirst(uint32_t* handle)
{
    return m_functions ? m_functions->enumGetFirst(handle) : kDdcLibraryMissing;
}

int32_t DdcLibrary::EnumGetNext(uint32_t* handle)
{
    return m_functions ? m_functions->enumGetNext(handle) : kDdcLibraryMissing;
}

int32_t DdcLibrary::GetCIValue(uint32_t handle, uint32_t vcp, uint32_t* current, uint32_t* maximum)
{
    return m_functions ? m_functions->getCiValue(handle, vcp, current, maximum) : kDdcLibraryMissing;
}

int32_t DdcLibrary::SetCIValue(uint32_t handle, uint32_t vcp, uint32_t value)
{
    return m_functions ? m_functions->setCiValue(handle, vcp, value) : kDdcLibraryMissing;
}

}  // namespace lumivex

namespace lumivex {

std::string DdcLibrary::statusName(int32_t status) const
{
    if (!m_functions || !m_functions->statusName)
        return {};
    const char* name = m_functions->statusName(status);
    return name ? name : std::string();
}

}  // namespace lumivex
