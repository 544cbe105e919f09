#pragma once
// Drives the project model and the build engine the way the window does, so the
// archive is the same for the same entries and options.
#include <vector>

#include "cli/members.h"
#include "cli/pack_options.h"

// `members` are checked and sorted by index. Returns the exit status: 0 when the
// build is done, 1 when it failed.
int runPack(const PackOptions& options, const std::vector<Member>& members);
