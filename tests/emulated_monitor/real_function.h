#pragma once
// The function a wrapper stands in front of, found once: the next one of
// that name in the process, or in a library the wrapper names. Libraries
// loaded with RTLD_LOCAL (the DDC/CI plugin and what it pulls in) are not
// "next" to anything, so udev's functions are looked up in libudev itself.

#include <dlfcn.h>

#include <atomic>

namespace lumivex::emulator {

void* findRealFunction(const char* name, const char* library);

template <typename Function>
Function realFunction(std::atomic<void*>& cache, const char* name, const char* library = nullptr)
{
    void* found = cache.load(std::memory_order_acquire);
    if (!found) {
        found = findRealFunction(name, library);
        cache.store(found, std::memory_order_release);
    }
    return reinterpret_cast<Function>(found);
}

#define LUMIVEX_REAL(name, ...) \
    ([]() { \
        static std::atomic<void*> cache{nullptr}; \
        return ::lumivex::emulator::realFunction<decltype(&name)>(cache, #name __VA_OPT__(, ) __VA_ARGS__); \
    }())

}  // namespace lumivex::emulator
