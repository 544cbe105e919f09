#pragma once
// Where the members of `bxa pack` come from and the checks they pass before
// anything is written.
#include <cstdint>
#include <string>
#include <vector>

#include "cli/output_checks.h"
#include "engine/build_job.h"
#include "platform/file_access.h"
#include "platform/memory.h"

class ProjectStore;

struct Member {
    uint32_t index;
    std::string path; // exactly as written
    // Where the member was named, for messages: line `line` of the list file `list`
    // (which outlives the members), or FILE argument number `line` when `list` is null.
    const std::string* list = nullptr;
    uint32_t line = 0;

    std::string where() const; // "LIST:LINE" or "argument N"
};

// The members as `bxa verify` compares them, path by path.
// Reads the list file (model/list_file.h): its relative paths resolve against its folder.
// "-" reads the list from standard input, named "standard input" in messages, with
// relative paths left relative to the current folder.
bool membersFromList(const std::string& listPath, std::vector<Member>* out, std::string* error);

// FILE arguments take the indexes 0, 1, 2...
bool membersFromArguments(const std::vector<std::string>& files, std::vector<Member>* out,
                          std::string* error);

// The members of one `bxa pack`, registered straight into the entry table that the
// build reads: the paths exist once, in their slots, whatever the number of members.
class PackMembers {
  public:
    PackMembers();
    ~PackMembers();
    PackMembers(const PackMembers&) = delete;
    PackMembers& operator=(const PackMembers&) = delete;

    // As membersFromList and membersFromArguments, with the same messages. The first
    // also refuses the list when the entry table cannot be had.
    bool fromList(const std::string& listPath, std::string* error);
    bool fromArguments(const std::vector<std::string>& files, std::string* error);

    // Every member must be a readable regular file (under the name the engine will
    // open); false with `error` set at the first problem, in the order the members
    // were named. Fills facts(), and `matches` with every member that is one of the
    // files `watched`, in index order.
    struct Match {
        uint32_t index;
        FileIdentity file;
    };
    bool check(const std::vector<FileIdentity>& watched, std::vector<Match>* matches, std::string* error);

    ProjectStore& store() { return *store_; }
    const ProjectStore& store() const { return *store_; }
    uint32_t count() const { return count_; }
    // "LIST:LINE" or "argument N" for the member at `index`.
    std::string where(uint32_t index) const;
    // Length and packed date of each member in index order, the order of the build.
    const std::vector<MemberFacts>& facts() const { return facts_; }
    // The full lengths, in the same order: facts() holds them cut to 32 bits.
    const std::vector<uint64_t>& sizes() const { return sizes_; }
    // Whether some member's path ends in a control byte, which the build drops in place.
    bool hasControlTails() const { return controlTails_; }

    // The parts of check() for one member at a time, for a check that runs beside the
    // build (cli/concurrent_check.h). lookAt: empty when the member at `index` passes,
    // else why not. factsOf: what the build carries of a member that passed.
    struct StampCache {
        long long time = -1;
        uint32_t stamp = 0;
    };
    std::string lookAt(platform::FileLookup& lookup, uint32_t index, platform::FileFacts* facts) const;
    static MemberFacts factsOf(const platform::FileFacts& facts, StampCache* stamps);
    // Room for the facts of every member, filled by whoever checks them (facts() then
    // holds them in index order).
    std::vector<MemberFacts>& factsToFill() { return facts_; }

    // Frees what only the checks needed: the full lengths and where each member was
    // named. where() then knows no line.
    void forgetCheckDetails();

  private:
    // Registers one member; only a refusal spells out where it was named.
    bool take(uint32_t index, const std::string& path, uint32_t line, std::string* error);
    // "LIST:LINE" or "argument N" for list line or argument number `line`.
    std::string placeOf(uint32_t line) const;

    platform::LargeBuffer memory_;
    ProjectStore* store_ = nullptr;
    const std::string* list_ = nullptr; // the list's name in messages; null for FILE arguments
    std::string listName_;
    std::vector<uint32_t> lineOf_; // by index: the list line or argument number that named it
    uint32_t count_ = 0;
    bool controlTails_ = false;
    std::vector<MemberFacts> facts_;
    std::vector<uint64_t> sizes_;
};
