#pragma once

#include <cstdio>
#include <cstdlib>

// An invariant of a fuzz target. A failure aborts, so libFuzzer saves the input as a
// crash and the replay test fails on it, in every build type (assert would vanish
// under NDEBUG).
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: invariant failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

// Checks that go through the file system run in the replay tests only (the build
// defines RUVO_FUZZ_REPLAY there): libFuzzer runs stay in memory, so that they
// reach millions of inputs, while CTest still sees every kept input on disk.
#ifdef RUVO_FUZZ_REPLAY
inline constexpr bool kReplayRun = true;
#else
inline constexpr bool kReplayRun = false;
#endif
