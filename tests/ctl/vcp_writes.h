#pragma once
// The VCP writes the simulated DDC/CI library logged (ZEPTA_SIM_LOG).

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace lumivex::testing {

using VcpWrites = std::vector<std::pair<unsigned, unsigned>>;

// (VCP, value) of every SetCIValue in the log, in order.
inline VcpWrites vcpWrites(const std::filesystem::path& log)
{
    VcpWrites writes;
    std::ifstream in(log);
    for (std::string line; std::getline(in, line);) {
        unsigned handle = 0, vcp = 0, value = 0;
        const size_t at = line.find("SetCIValue(");
        if (at != std::string::npos
            && std::sscanf(line.c_str() + at, "SetCIValue(0x%X, 0x%X, %u)", &handle, &vcp, &value) == 3)
            writes.emplace_back(vcp, value);
    }
    return writes;
}

}  // namespace lumivex::testing
