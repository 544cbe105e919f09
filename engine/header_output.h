#pragma once
// The FILE ID header and the log written beside the archive. Both are text
// files whose line ends are stored as CR LF.
#include "engine/build_job.h"

constexpr int kNameBufferSize = 260;
constexpr int kIdBufferSize = 256;

// Replaces ! # $ % & + - . / : = ? @ \ ~ by '_' and upper-cases a-z, in place.
void sanitiseIdentifier(char* text);

// The archive's file name as the job writes it: the given name when it holds a '.',
// otherwise the base name with ".bxa"; a trailing control byte is dropped.
void archiveFileName(const BuildJob* job, char out[kNameBufferSize]);

// Drops a last byte in 0x01..0x1F (a stray line end in a typed name); other bytes stay.
void trimControlTail(char* text);

void writeOpeningComment(BuildJob* job, const char* archiveFile);
void writeMemberLine(BuildJob* job);
void writeClosingBlock(BuildJob* job);
void writeLogLine(BuildJob* job);
