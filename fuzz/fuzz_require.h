#pragma once

#include <cstdio>
#include <cstdlib>

namespace kavri {

// Fails the fuzz run with a message: libFuzzer keeps the input as a crash.
inline void fuzzRequire(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "broken promise: %s\n", what);
        std::abort();
    }
}

}  // namespace kavri
