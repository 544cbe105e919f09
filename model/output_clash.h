#pragma once
// Whether a build would write one of its outputs over one of its own members.
#include <string>

#include "engine/build_job.h"

// The name of an output that `job` would create over one of its own members, the same
// file whichever path leads to it; "" when there is none. Creating it would destroy the
// member before its turn, so the window does not start such a build.
std::string OutputOverwritingMember(const BuildJob& job);
