#pragma once
// Name and date of a member as its attribute record stores them.
#include <cstdint>

#include "engine/archive_layout.h"

constexpr int kAttrNameSize = 32;

// Copies the part behind the last '\\' or '/' (the whole path when neither occurs),
// at most 32 bytes and without terminator, into the cleared field.
void attributeName(const char* path, unsigned char field[kAttrNameSize]);

// Packs a last-write time (seconds since the epoch) as local MS-DOS date (high half) and
// time (low half); 0, which no valid date packs to, when it cannot be converted.
uint32_t dosStampOf(long long lastWrite);

// Year, month, day, hour, minute, second of a packed stamp.
void unpackDosStamp(uint32_t stamp, uint16_t fields[6]);

// Local last-write time at two-second resolution: year, month, day, hour, minute, second.
// Returns 0 (fields untouched) when the file cannot be opened or its time cannot be converted.
int readMemberTimestamp(const char* path, uint16_t fields[6]);
