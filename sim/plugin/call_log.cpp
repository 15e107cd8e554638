#include "sim/plugin/call_log.h"

#include <sys/time.h>

#include <cstdarg>
#include <ctime>

namespace lumivex::sim {

CallLog::~CallLog()
{
    if (m_file)
        std::fclose(m_file);
}

void CallLog::reopen(const std::string& path)
{
    if (path == m_path && (m_file || path.empty()))
        return;
    if (m_file)
        std::fclose(m_file);
    m_path = path;
    m_file = path.empty() ? nullptr : std::fopen(path.c_str(), "a");
}

void CallLog::write(const char* format, ...)
{
    if (!m_file)
        return;
    timeval now{};
    gettimeofday(&now, nullptr);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &local);
    std::fprintf(m_file, "%s.%06ld ", stamp, static_cast<long>(now.tv_usec));
    va_list args;
    va_start(args, format);
    std::vfprintf(m_file, format, args);
    va_end(args);
    std::fputc('\n', m_file);
    std::fflush(m_file);
}

}  // namespace lumivex::sim
