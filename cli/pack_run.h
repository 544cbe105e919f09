#pragma once
// Drives the project model and the build engine the way the window does, so the
// archive is the same for the same entries and options.
#include <vector>

#include "cli/members.h"
#include "cli/output_checks.h"
#include "cli/pack_options.h"

// `members` are checked, `outputs` checked. Returns the exit status: 0 when the
// build is done without a fault and its outputs are in place, 1 otherwise.
int runPack(const PackOptions& options, PackMembers& members, const PackOutputs& outputs);
