#pragma once
// The names of the files a build creates, derived from what the caller handed
// the job. Every caller that needs to know them in advance asks here.
#include <cstddef>

constexpr int kNameBufferSize = 260;

// Drops a last byte in 0x01..0x1F (a stray line end in a typed name); other bytes stay.
void trimControlTail(char* text);

// The part of an archive name before its first '.', as the job keeps it.
void archiveBaseName(const char* archiveName, char out[256]);

// The archive file a job creates: the name unchanged when it holds a '.', otherwise the
// base name with ".bxa"; a trailing control byte is dropped.
void archiveFileNameOf(const char* archiveName, char out[kNameBufferSize]);

// The header and log files: the caller's name when one is given, otherwise the base
// name with ".h" or ".crg".
void headerFileNameOf(const char* archiveName, const char* headerName, char out[kNameBufferSize]);
void logFileNameOf(const char* archiveName, const char* logName, char out[kNameBufferSize]);
