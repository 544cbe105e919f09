#include "platform/file_time.h"

#include <windows.h>

#include "platform/win/epoch_seconds.h"

namespace platform {

namespace {

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
        out->lastWrite = epochSecondsOf(written);
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
