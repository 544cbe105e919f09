#pragma once
// The engine's numbered messages. Each one goes to standard output at once, so
// it stands in order with whatever the caller prints around a build, and to the
// caller's hook when one is set.
#include <cstdint>

struct BuildJob;

// Prints a message that reports nothing wrong.
void engineNotice(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Prints a message about a failed call and counts it against the job: every fault a
// build meets passes through here, so the count stays exact.
void jobFault(BuildJob* job, const char* format, ...) __attribute__((format(printf, 2, 3)));
