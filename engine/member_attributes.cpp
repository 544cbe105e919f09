#include "engine/member_attributes.h"

#include <cstring>

#include "platform/file_time.h"

void attributeName(const char* path, unsigned char field[kAttrNameSize]) {
    const char* name = path;
    for (const char* p = path; *p; ++p) {
        if (*p == '\\' || *p == '/') name = p + 1;
    }
    std::size_t n = std::strlen(name);
    std::memcpy(field, name, n < kAttrNameSize ? n : kAttrNameSize);
}

uint32_t dosStampOf(long long lastWrite) {
    platform::LocalTime lt;
    uint16_t date = 0, time = 0;
    if (lastWrite < 0 || !platform::toLocalTime(lastWrite, &lt) || !platform::toDosDateTime(lt, &date, &time))
        return 0;
    return static_cast<uint32_t>(date) << 16 | time;
}

void unpackDosStamp(uint32_t stamp, uint16_t fields[6]) {
    uint16_t date = static_cast<uint16_t>(stamp >> 16), time = static_cast<uint16_t>(stamp);
    fields[0] = static_cast<uint16_t>(1980 + (date >> 9));
    fields[1] = static_cast<uint16_t>((date >> 5) & 15);
    fields[2] = static_cast<uint16_t>(date & 31);
    fields[3] = static_cast<uint16_t>(time >> 11);
    fields[4] = static_cast<uint16_t>((time >> 5) & 63);
    fields[5] = static_cast<uint16_t>((time & 31) * 2);
}

int readMemberTimestamp(const char* path, uint16_t fields[6]) {
    uint16_t date = 0, time = 0;
    if (!platform::readLastWriteDos(path, &date, &time)) return 0;
    unpackDosStamp(static_cast<uint32_t>(date) << 16 | time, fields);
    return 1;
}
