#pragma once
// The FILE ID header and the log written beside the archive. Both are text
// files whose line ends are stored as CR LF.
#include "engine/build_job.h"
#include "engine/output_names.h"

constexpr int kIdBufferSize = 256;

// Replaces ! # $ % & + - . / : = ? @ \ ~ by '_' and upper-cases a-z, in place.
void sanitiseIdentifier(char* text);

void writeOpeningComment(BuildJob* job, const char* archiveFile);
void writeMemberLine(BuildJob* job);
void writeClosingBlock(BuildJob* job);
void writeLogLine(BuildJob* job);
