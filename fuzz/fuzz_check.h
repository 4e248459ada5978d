// A violated expectation in a fuzz target must crash, so that libFuzzer keeps
// the input; the message says which expectation it was.
#ifndef SPLTWD_FUZZ_CHECK_H
#define SPLTWD_FUZZ_CHECK_H

#include <cstdio>
#include <cstdlib>

inline void Require(bool holds, const char* expectation) {
    if (holds) return;
    std::fprintf(stderr, "violated: %s\n", expectation);
    std::abort();
}

#endif  // SPLTWD_FUZZ_CHECK_H
