#include "platform/file_time.h"

#include <windows.h>

namespace platform {

namespace {

// 100-nanosecond ticks between 1601-01-01 and 1970-01-01.
constexpr int64_t kEpochTicks = 116444736000000000LL;
constexpr int64_t kTicksPerSecond = 10000000LL;

int64_t ticksOf(const FILETIME& ft) {
    return static_cast<int64_t>((static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
}

FILETIME fileTimeOf(int64_t ticks) {
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(static_cast<uint64_t>(ticks));
    ft.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(ticks) >> 32);
    return ft;
}

// Members are opened without sharing: a file another program is writing has no
// settled date or size yet.
HANDLE openUnshared(const char* path) {
    return ::CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

} // namespace

bool toLocalTime(int64_t epochSeconds, LocalTime* out) {
    if (epochSeconds < -kEpochTicks / kTicksPerSecond) return false;
    FILETIME utc = fileTimeOf(epochSeconds * kTicksPerSecond + kEpochTicks), local;
    SYSTEMTIME st;
    if (!::FileTimeToLocalFileTime(&utc, &local) || !::FileTimeToSystemTime(&local, &st)) return false;
    out->year = st.wYear;
    out->month = st.wMonth;
    out->day = st.wDay;
    out->hour = st.wHour;
    out->minute = st.wMinute;
    out->second = st.wSecond;
    return true;
}

bool fromLocalTime(const LocalTime& t, int64_t* epochSeconds) {
    SYSTEMTIME st{static_cast<WORD>(t.year),
                  static_cast<WORD>(t.month),
                  0,
                  static_cast<WORD>(t.day),
                  static_cast<WORD>(t.hour),
                  static_cast<WORD>(t.minute),
                  static_cast<WORD>(t.second),
                  0};
    FILETIME local, utc;
    if (!::SystemTimeToFileTime(&st, &local) || !::LocalFileTimeToFileTime(&local, &utc)) return false;
    *epochSeconds = (ticksOf(utc) - kEpochTicks) / kTicksPerSecond;
    return true;
}

bool readOpenedFileStatus(const char* path, FileStatus* out) {
    HANDLE h = openUnshared(path); // a folder does not open without backup semantics
    if (h == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size;
    FILETIME written;
    bool ok = ::GetFileSizeEx(h, &size) && ::GetFileTime(h, nullptr, nullptr, &written);
    if (ok) {
        out->size = static_cast<uint64_t>(size.QuadPart);
        int64_t ticks = ticksOf(written) - kEpochTicks;
        // Whole seconds, rounded down also before 1970.
        out->lastWrite =
            ticks >= 0 ? ticks / kTicksPerSecond : -((-ticks + kTicksPerSecond - 1) / kTicksPerSecond);
    }
    ::CloseHandle(h);
    return ok;
}

bool readLastWriteDos(const char* path, uint16_t* date, uint16_t* time) {
    HANDLE h = openUnshared(path);
    if (h == INVALID_HANDLE_VALUE) return false;
    FILETIME written, local;
    WORD d = 0, t = 0;
    bool ok = ::GetFileTime(h, nullptr, nullptr, &written) && ::FileTimeToLocalFileTime(&written, &local) &&
              ::FileTimeToDosDateTime(&local, &d, &t);
    ::CloseHandle(h);
    if (ok) {
        *date = d;
        *time = t;
    }
    return ok;
}

} // namespace platform
