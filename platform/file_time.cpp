#include "platform/file_time.h"

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

bool toLocalTime(int64_t epochSeconds, LocalTime* out) {
    time_t t = static_cast<time_t>(epochSeconds);
    struct tm tmv {};
    if (!localtime_r(&t, &tmv)) return false;
    out->year = static_cast<unsigned>(tmv.tm_year + 1900);
    out->month = static_cast<unsigned>(tmv.tm_mon + 1);
    out->day = static_cast<unsigned>(tmv.tm_mday);
    out->hour = static_cast<unsigned>(tmv.tm_hour);
    out->minute = static_cast<unsigned>(tmv.tm_min);
    // A leap second (60) is folded into 59 so the DOS half-second count stays in range.
    out->second = static_cast<unsigned>(tmv.tm_sec > 59 ? 59 : tmv.tm_sec);
    return true;
}

bool fromLocalTime(const LocalTime& t, int64_t* epochSeconds) {
    struct tm tmv {};
    tmv.tm_year = static_cast<int>(t.year) - 1900;
    tmv.tm_mon = static_cast<int>(t.month) - 1;
    tmv.tm_mday = static_cast<int>(t.day);
    tmv.tm_hour = static_cast<int>(t.hour);
    tmv.tm_min = static_cast<int>(t.minute);
    tmv.tm_sec = static_cast<int>(t.second);
    tmv.tm_isdst = -1; // let the zone rules decide
    errno = 0;
    time_t when = mktime(&tmv);
    if (when == static_cast<time_t>(-1) && errno != 0) return false;
    *epochSeconds = static_cast<int64_t>(when);
    return true;
}

bool readOpenedFileStatus(const char* path, FileStatus* out) {
    int fd;
    do {
        fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY); // a FIFO must not block
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode);
    if (ok) {
        out->size = static_cast<uint64_t>(st.st_size);
        out->lastWrite = static_cast<int64_t>(st.st_mtime);
    }
    ::close(fd);
    return ok;
}

bool readLastWriteDos(const char* path, uint16_t* date, uint16_t* time) {
    // One stat instead of open, fstat and close: archives of tens of thousands of
    // small members spend much of their time in system calls.
    struct stat st {};
    LocalTime lt;
    return ::stat(path, &st) == 0 && !S_ISDIR(st.st_mode) && toLocalTime(st.st_mtime, &lt) &&
           toDosDateTime(lt, date, time);
}

} // namespace platform
