// A property every input must keep: a broken one stops the run, so that the
// fuzzer saves the input that broke it.
#pragma once

#include <cstdlib>

inline void require(bool condition) {
    if (!condition) std::abort();
}
