#pragma once
// Reply waits for tests. A read-back ends as soon as its reply is whole, so
// a test against a device that answers waits as long as the machine needs
// to run it; against one meant to stay silent, or whose replies are never
// whole, the wait is the expected path and is kept short.

#include <chrono>

namespace lumivex::testing {

inline constexpr std::chrono::milliseconds kGenerousReplyWait{5000};
inline constexpr std::chrono::milliseconds kSilentDeviceWait{20};
// A spoilt reply that is never whole is still taken once the wait has
// passed: long enough for a busy machine to deliver it, short enough for a
// table of them.
inline constexpr std::chrono::milliseconds kUnfinishedReplyWait{500};

}  // namespace lumivex::testing
