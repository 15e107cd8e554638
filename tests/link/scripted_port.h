#pragma once
// A serial port for the channel rules' tests: records every write call and
// every read call, and hands out scripted arrivals in reads no larger than
// the script allows. Each wait for input brings the next scripted batch, at
// once; with none left the wait has passed.

#include "link/byte_port.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

namespace lumivex::testing {

class ScriptedPort final : public BytePort {
public:
    struct ReadCall {
        uint32_t asked;
        uint32_t got;
    };

    void writeByte(uint8_t byte) override
    {
        writes.push_back(byte);
        if (onWrite)
            onWrite(byte);
    }

    uint32_t readAvailable(uint8_t* buffer, uint32_t length) override
    {
        uint32_t limit = length;
        if (!readLimits.empty()) {
            limit = std::min(limit, readLimits.front());
            readLimits.pop_front();
        }
        const uint32_t n = std::min<uint32_t>(limit, uint32_t(arriving.size()));
        for (uint32_t i = 0; i < n; ++i) {
            buffer[i] = arriving.front();
            arriving.pop_front();
        }
        reads.push_back({length, n});
        return n;
    }

    bool waitForInput(Clock::time_point) override
    {
        ++waits;
        if (duringWaits.empty())
            return false;
        arrive(duringWaits.front());
        duringWaits.pop_front();
        return true;
    }

    void arrive(const std::vector<uint8_t>& bytes) { arriving.insert(arriving.end(), bytes.begin(), bytes.end()); }

    std::vector<uint8_t> writes;        // one entry per write call, in order
    std::vector<ReadCall> reads;
    std::deque<uint8_t> arriving;       // bytes the device has sent
    std::deque<uint32_t> readLimits;    // the most each successive read hands out
    std::deque<std::vector<uint8_t>> duringWaits;  // what each successive wait brings
    int waits = 0;
    std::function<void(uint8_t)> onWrite;
};

}  // namespace lumivex::testing
