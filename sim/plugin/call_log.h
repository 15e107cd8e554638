#pragma once
// The simulated library's record of the calls it answered, one line each,
// flushed at once so a test can read it while the panel runs:
//   2026-12-07T20:05:31.123456 SetCIValue(0x5A100001, 0xD6, 1) = 0

#include <cstdio>
#include <string>

namespace lumivex::sim {

class CallLog {
public:
    CallLog() = default;
    ~CallLog();
    CallLog(const CallLog&) = delete;
    CallLog& operator=(const CallLog&) = delete;

    // Appends to path from now on; an empty path (or one that cannot be
    // opened) logs nothing.
    void reopen(const std::string& path);
    // printf-style text after the timestamp.
    void write(const char* format, ...) __attribute__((format(printf, 2, 3)));

private:
    std::FILE* m_file = nullptr;
    std::string m_path;
};

}  // namespace lumivex::sim
