#pragma once
// File times in the unit the rest of the program counts in.
#include <cstdint>
#include <windows.h>

namespace platform {

// 100-nanosecond ticks between 1601-01-01 and 1970-01-01.
constexpr int64_t kEpochTicks = 116444736000000000LL;
constexpr int64_t kTicksPerSecond = 10000000LL;

inline int64_t ticksOf(const FILETIME& ft) {
    return static_cast<int64_t>((static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
}

// Whole seconds since 1970, rounded down also before it, so that the local-time and
// MS-DOS conversions see the same second the system's own conversion of `ft` would.
inline int64_t epochSecondsOf(const FILETIME& ft) {
    int64_t ticks = ticksOf(ft) - kEpochTicks;
    return ticks >= 0 ? ticks / kTicksPerSecond : -((-ticks + kTicksPerSecond - 1) / kTicksPerSecond);
}

} // namespace platform
