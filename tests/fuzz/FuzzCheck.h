#pragma once

#include <cstdio>
#include <cstdlib>

// A fuzz target's check: a false condition is a finding, reported as a crash so
// that libFuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                                                  \
    do {                                                                                                       \
        if (!(condition)) {                                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);               \
            std::abort();                                                                                      \
        }                                                                                                      \
    } while (0)
