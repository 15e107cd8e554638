#pragma once
// The DDC/CI library as the panel sees it: the six operations, whatever
// provides them.

#include <cstdint>
#include <string>

namespace lumivex {

// Status the panel reports when no DDC/CI library could be loaded: the
// system's "module not found" code, shown as "Error #7E".
inline constexpr int32_t kDdcLibraryMissing = 0x7E;

class DdcApi {
public:
    virtual ~DdcApi() = default;
    virtual int32_t InstallDriver(int32_t a, int32_t b) = 0;
    virtual int32_t InitDDCHelper() = 0;
    virtual int32_t EnumGetFirst(uint32_t* handle) = 0;
    virtual int32_t EnumGetNext(uint32_t* handle) = 0;
    virtual int32_t GetCIValue(uint32_t handle, uint32_t vcp, uint32_t* current, uint32_t* maximum) = 0;
    virtual int32_t SetCIValue(uint32_t handle, uint32_t vcp, uint32_t value) = 0;
    // The library's name for a status it returned; empty when it has none.
    virtual std::string statusName(int32_t /*status*/) const { return {}; }
};

}  // namespace lumivex
