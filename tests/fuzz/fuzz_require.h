#pragma once
// A property a fuzz target holds: when it breaks, say which and stop, so
// libFuzzer keeps the input.

#include <cstdio>
#include <cstdlib>

namespace lumivex::fuzz {

inline void require(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "property broken: %s\n", what);
        std::abort();
    }
}

}  // namespace lumivex::fuzz
