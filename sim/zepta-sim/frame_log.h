#pragma once
// zepta-sim's record of the line, one line per event, flushed at once so a
// test can read it while the simulator runs:
//   2026-12-07T20:05:31.123456 rx 04 1B 02 DF applied
//   2026-12-07T20:05:31.123501 tx 09 04 02 01 00 00 00 00 E8
//   2026-12-07T20:05:31.130000 skip F8
// rx: a whole frame received, with what the device made of it;
// tx: bytes sent (noise and reply); skip: bytes that started no frame;
// drop: reply bytes the line could not take.

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>

namespace lumivex::sim {

std::string hexBytes(std::span<const uint8_t> bytes);  // "04 1B 02 DF"

class FrameLog {
public:
    FrameLog() = default;
    ~FrameLog();
    FrameLog(const FrameLog&) = delete;
    FrameLog& operator=(const FrameLog&) = delete;

    // Appends to the file; false when it cannot be opened.
    bool open(const std::string& path);
    void write(std::string_view kind, std::span<const uint8_t> bytes, std::string_view note = {});

private:
    std::FILE* m_file = nullptr;
};

}  // namespace lumivex::sim
