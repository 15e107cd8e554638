#pragma once
// A DDC/CI library double that records the order of calls and answers from
// a few settings; for start-up tests that need to see what was called.

#include "link/ddc/ddc_api.h"

#include <string>
#include <vector>

namespace lumivex::testing {

class FakeDdc final : public DdcApi {
public:
    int32_t InstallDriver(int32_t a, int32_t b) override
    {
        calls.push_back("InstallDriver(" + std::to_string(a) + "," + std::to_string(b) + ")");
        return 0;
    }
    int32_t InitDDCHelper() override
    {
        calls.push_back("InitDDCHelper");
        return initStatus;
    }
    int32_t EnumGetFirst(uint32_t* handle) override
    {
        calls.push_back("EnumGetFirst");
        next = 0;
        return enumerate(handle);
    }
    int32_t EnumGetNext(uint32_t* handle) override
    {
        calls.push_back("EnumGetNext");
        return enumerate(handle);
    }
    int32_t GetCIValue(uint32_t, uint32_t, uint32_t*, uint32_t*) override { return 1; }
    int32_t SetCIValue(uint32_t, uint32_t, uint32_t) override { return 1; }

    int32_t initStatus = 0;
    int monitors = 1;
    std::vector<std::string> calls;

private:
    int32_t enumerate(uint32_t* handle)
    {
        if (next >= monitors)
            return 1;
        *handle = 0x100u + static_cast<uint32_t>(next++);
        return 0;
    }
    int next = 0;
};

}  // namespace lumivex::testing
