#pragma once

#include <cstdio>

namespace fuzz {

// Stops the run with a report when a property does not hold; libFuzzer keeps the input.
inline void require(bool holds, const char *what)
{
    if (holds)
        return;
    std::fprintf(stderr, "property broken: %s\n", what);
    __builtin_trap();
}

} // namespace fuzz
