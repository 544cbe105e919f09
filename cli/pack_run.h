#pragma once
// Drives the project model and the build engine the way the window does, so the
// archive is the same for the same entries and options.
#include <string>
#include <vector>

#include "cli/members.h"
#include "cli/output_checks.h"
#include "cli/pack_options.h"

class ConcurrentMemberCheck;

// Whether the build draws a progress line (it needs every member's length first).
bool progressDrawn(const PackOptions& options);

// What runPack returns when the member check beside the build failed, or when the
// build could not begin before that check ran: nothing was replaced, and the caller
// checks the members in the ordinary order, which reports whichever problem comes first.
constexpr int kMembersRefused = -1;

// `outputs` are checked; `members` too, unless `alongside` checks them while the
// build runs (its facts feed the build; the build's messages and `notices` are held
// back until it has passed). Returns the exit status: 0 when the build is done
// without a fault and its outputs are in place, 1 otherwise, or kMembersRefused.
int runPack(const PackOptions& options, PackMembers& members, const PackOutputs& outputs,
            ConcurrentMemberCheck* alongside = nullptr, const std::vector<std::string>& notices = {});
