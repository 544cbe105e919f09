#pragma once
// The FILE ID header and the log written beside the archive. Both are text
// files whose line ends are stored as CR LF.
#include "engine/build_job.h"
#include "engine/output_names.h"

constexpr int kIdBufferSize = 256;

// Replaces ! # $ % & + - . / : = ? @ \ ~ by '_' and upper-cases a-z, in place.
void sanitiseIdentifier(char* text);

// The FileID of a member as its #define spells it: prefix and name part (the path from
// `nameOffset` on, or nothing when the offset lies beyond it), sanitised, cut to the buffer.
void makeFileId(const char* prefix, const char* path, uint32_t nameOffset, char out[kIdBufferSize]);

// The name of the entry-count #define for an archive named `archiveName` at job creation.
constexpr int kNumFilesNameSize = kIdBufferSize + 10;
void makeNumFilesName(const char* archiveName, char out[kNumFilesNameSize]);

void writeOpeningComment(BuildJob* job, const char* archiveFile);
void writeMemberLine(BuildJob* job);
void writeClosingBlock(BuildJob* job);
void writeLogLine(BuildJob* job);
