#pragma once
// Loads the DDC/CI library at run time. Candidates are tried in order; the
// first that loads and exports all six functions is used. With none, every
// operation fails and InitDDCHelper answers kDdcLibraryMissing, so start-up
// goes on as with a library that finds no monitor.

#include "link/ddc/ddc_api.h"

#include <filesystem>
#include <string>
#include <vector>

namespace lumivex {

inline constexpr const char* kDdcLibraryFileName = "libDDCHelper.so";

// $ZEPTA_DDCHELPER alone when set; otherwise libDDCHelper.so beside the
// executable (a build tree), in the installed plugin folder, then the bare
// name for the system's library path.
std::vector<std::string> defaultDdcLibraryCandidates(const std::filesystem::path& executableDir,
                                                     const char* overridePath);

class DdcLibrary final : public DdcApi {
public:
    explicit DdcLibrary(const std::vector<std::string>& candidates);
    ~DdcLibrary() override;
    DdcLibrary(const DdcLibrary&) = delete;
    DdcLibrary& operator=(const DdcLibrary&) = delete;

    bool isLoaded() const { return m_handle != nullptr; }
    // The candidate that loaded, or empty.
    const std::string& loadedFrom() const { return m_loadedFrom; }
    // Why the last candidate failed, for diagnostics.
    const std::string& loadError() const { return m_loadError; }

    int32_t InstallDriver(int32_t a, int32_t b) override;
    int32_t InitDDCHelper() override;
    int32_t EnumGetFirst(uint32_t* handle) override;
    int32_t EnumGetNext(uint32_t* handle) override;
    int32_t GetCIValue(uint32_t handle, uint32_t vcp, uint32_t* current, uint32_t* maximum) override;
    int32_t SetCIValue(uint32_t handle, uint32_t vcp, uint32_t value) override;
    std::string statusName(int32_t status) const override;

private:
    struct Functions;
    bool tryLoad(const std::string& candidate);

    void* m_handle = nullptr;
    Functions* m_functions = nullptr;
    std::string m_loadedFrom;
    std::string m_loadError;
};

}  // namespace lumivex
