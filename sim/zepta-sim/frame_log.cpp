#include "sim/zepta-sim/frame_log.h"

#include <sys/time.h>

#include <ctime>

namespace lumivex::sim {

namespace {

std::string timestamp()
{
    timeval now{};
    gettimeofday(&now, nullptr);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    char text[48];
    const size_t n = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    std::snprintf(text + n, sizeof text - n, ".%06ld", static_cast<long>(now.tv_usec));
    return text;
}

}  // namespace

std::string hexBytes(std::span<const uint8_t> bytes)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 3);
    for (uint8_t byte : bytes) {
        if (!text.empty())
            text += ' ';
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
    return text;
}

FrameLog::~FrameLog()
{
    if (m_file)
        std::fclose(m_file);
}

bool FrameLog::open(const std::string& path)
{
    m_file = std::fopen(path.c_str(), "a");
    return m_file != nullptr;
}

void FrameLog::write(std::string_view kind, std::span<const uint8_t> bytes, std::string_view note)
{
    if (!m_file)
        return;
    std::fprintf(m_file, "%s %.*s %s%s%.*s\n", timestamp().c_str(), int(kind.size()), kind.data(),
                 hexBytes(bytes).c_str(), note.empty() ? "" : " ", int(note.size()), note.data());
    std::fflush(m_file);
}

}  // namespace lumivex::sim
