#include "platform/exit_settle.h"

#include <cstdlib>

#if defined(__SANITIZE_ADDRESS__)
#define LUMIVEX_LEAK_CHECK_AT_EXIT 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LUMIVEX_LEAK_CHECK_AT_EXIT 1
#endif
#endif

#ifdef LUMIVEX_LEAK_CHECK_AT_EXIT
#include <chrono>
#include <filesystem>
#include <iterator>
#include <system_error>
#include <thread>
#endif

namespace lumivex {

#ifdef LUMIVEX_LEAK_CHECK_AT_EXIT
namespace {

long threadCount()
{
    std::error_code error;
    const std::filesystem::directory_iterator tasks("/proc/self/task", error);
    return error ? 1 : std::distance(tasks, std::filesystem::directory_iterator());
}

void waitForOtherThreads()
{
    // A thread that lives on (a library's own) only costs the ceiling.
    const auto ceiling = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (threadCount() > 1 && std::chrono::steady_clock::now() < ceiling)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

}  // namespace
#endif

void settleThreadsAtExit()
{
#ifdef LUMIVEX_LEAK_CHECK_AT_EXIT
    // Handlers run in reverse order: registered first, this runs after the
    // destructors of statics made later, Qt's among them.
    std::atexit(waitForOtherThreads);
#endif
}

}  // namespace lumivex
