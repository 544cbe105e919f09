#pragma once
// The FileIDs of a pack, computed exactly as the header will spell them, checked
// before anything is written: a header that passes always compiles.
#include <string>
#include <vector>

#include "cli/members.h"
#include "cli/pack_options.h"

// One line per problem (duplicates, names that are no C identifier, reserved
// names), naming the indexes and paths; empty when every name is usable.
// Reads the members' paths from their slots and sets the name offsets of `options`' mode.
std::vector<std::string> checkFileIds(const PackOptions& options, PackMembers& members);

// As checkFileIds, for the name offsets of `options`' mode already in the slots: it
// only reads the entry table, so it may run beside a build that reads it too.
std::vector<std::string> fileIdProblems(const PackOptions& options, const PackMembers& members);
