#pragma once
// How long a controller whose link failed waits before the next opening:
// 1 s after the first failure, doubling, never more than a minute.

#include <chrono>

namespace lumivex::service {

inline constexpr std::chrono::seconds kFirstReconnect{1};
inline constexpr std::chrono::seconds kLongestReconnect{60};

// failures: openings failed in a row (or the drop), from 1.
constexpr std::chrono::seconds reconnectDelay(int failures)
{
    std::chrono::seconds delay = kFirstReconnect;
    for (int i = 1; i < failures && delay < kLongestReconnect; ++i)
        delay *= 2;
    return delay < kLongestReconnect ? delay : kLongestReconnect;
}

}  // namespace lumivex::service
