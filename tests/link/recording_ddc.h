#pragma once
// A DDC/CI library double that records every VCP write and read with its
// handle, and answers reads from a script.

#include "link/ddc/ddc_api.h"

#include <cstdint>
#include <map>
#include <set>
#include <vector>

namespace lumivex::testing {

class RecordingDdc final : public DdcApi {
public:
    struct Call {
        uint32_t handle;
        uint32_t vcp;
        uint32_t value;
        bool operator==(const Call&) const = default;
    };

    int32_t InstallDriver(int32_t, int32_t) override { return 0; }
    int32_t InitDDCHelper() override { return 0; }
    int32_t EnumGetFirst(uint32_t* handle) override
    {
        m_next = 0;
        return EnumGetNext(handle);
    }
    int32_t EnumGetNext(uint32_t* handle) override
    {
        if (m_next >= monitors)
            return 1;
        *handle = kFirstHandle + uint32_t(m_next++);
        return 0;
    }
    int32_t GetCIValue(uint32_t handle, uint32_t vcp, uint32_t* current, uint32_t* maximum) override
    {
        reads.push_back({handle, vcp, 0});
        const bool fails = readStatus != 0 || failing.count(vcp) != 0;
        if (!fails) {
            const auto it = values.find(vcp);
            *current = it == values.end() ? readValue : it->second;
            *maximum = 0xFFFF;
        } else {
            *current = 0xBADBAD;  // what a failing library may leave behind
        }
        return fails ? (readStatus != 0 ? readStatus : 1) : 0;
    }
    int32_t SetCIValue(uint32_t handle, uint32_t vcp, uint32_t value) override
    {
        writes.push_back({handle, vcp, value});
        return 0;
    }

    static constexpr uint32_t kFirstHandle = 0x200;
    int monitors = 0;  // found by enumeration
    std::vector<Call> writes;
    std::vector<Call> reads;
    int32_t readStatus = 0;
    uint32_t readValue = 0;
    std::map<uint32_t, uint32_t> values;  // by VCP code; others answer readValue
    std::set<uint32_t> failing;           // VCP codes whose reads fail

private:
    int m_next = 0;
};

}  // namespace lumivex::testing
