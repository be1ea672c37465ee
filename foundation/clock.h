// The one clock that timing reads: monotonic, so that a change of the wall clock never
// makes a budget or a deadline jump.
//
//   clock_now_ns()  nanoseconds since an arbitrary start (CLOCK_MONOTONIC).
//   clock_now_us()  the same in microseconds, the unit of sd-bus deadlines.
#pragma once
#include <cstdint>
#include <ctime>

inline int64_t clock_now_ns() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return int64_t(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

inline uint64_t clock_now_us() { return uint64_t(clock_now_ns()) / 1000u; }
