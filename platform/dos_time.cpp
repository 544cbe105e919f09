#include "platform/file_time.h"

namespace platform {

bool toDosDateTime(const LocalTime& t, uint16_t* date, uint16_t* time) {
    if (t.year < 1980 || t.year > 2107) return false;
    *date = static_cast<uint16_t>(((t.year - 1980) << 9) | (t.month << 5) | t.day);
    *time = static_cast<uint16_t>((t.hour << 11) | (t.minute << 5) | (t.second / 2));
    return true;
}

} // namespace platform
