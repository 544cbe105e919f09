#pragma once
// File times as the rest of the program wants them: broken down in local time,
// and reduced to the two 16-bit words of the MS-DOS date and time format.
#include <cstdint>

namespace platform {

struct LocalTime {
    unsigned year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

struct FileStatus {
    uint64_t size = 0;
    int64_t lastWrite = 0; // seconds since the epoch
};

// Local time of an epoch second count, honouring TZ. False when the C library cannot convert it.
bool toLocalTime(int64_t epochSeconds, LocalTime* out);

// Epoch seconds of a local time, honouring TZ and summer time. False when the C library
// cannot convert it.
bool fromLocalTime(const LocalTime& t, int64_t* epochSeconds);

// MS-DOS packing: date = (year-1980)<<9 | month<<5 | day, time = hour<<11 | minute<<5 | second/2.
// False for years the format cannot hold (before 1980 or after 2107).
bool toDosDateTime(const LocalTime& t, uint16_t* date, uint16_t* time);

// Opens the file for reading and reads its size and last-write time from the open handle.
// Folders and anything that cannot be opened for reading fail, as they would on the original platform.
bool readOpenedFileStatus(const char* path, FileStatus* out);

// Last-write time of a file as local MS-DOS date and time (false for a missing file or folder,
// or a time the format cannot hold).
bool readLastWriteDos(const char* path, uint16_t* date, uint16_t* time);

} // namespace platform
