// bxa: the command-line companion of the window, building archives from scripts.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/concurrent_check.h"
#include "cli/fileid_check.h"
#include "cli/members.h"
#include "cli/output_checks.h"
#include "cli/pack_options.h"
#include "cli/pack_run.h"
#include "engine/archive_layout.h"
#include "model/project_store.h"
#include "platform/file_access.h"
#include "platform/memory.h"

namespace {

void printUsage(std::FILE* out) {
    std::fputs("Usage: bxa COMMAND [options]\n"
               "\n"
               "Commands:\n"
               "  pack     build a BXA archive, its FILE ID header and its log\n"
               "  list     list the members of an archive\n"
               "  verify   check an archive, against its sources and header too\n"
               "  extract  write members of an archive back into files\n"
               "\n"
               "  bxa --help, bxa --version; bxa COMMAND --help (or bxa help COMMAND) for the\n"
               "  options of a command.\n",
               out);
}

int commandError(const std::string& message) {
    std::fprintf(stderr, "bxa: %s\nTry 'bxa --help'\n", message.c_str());
    return kExitUsage;
}

int checkError(const std::string& message) {
    std::fprintf(stderr, "bxa: %s\n", message.c_str());
    return kExitUsage;
}

// The list file's identity, when it is a file: the outputs must not replace it.
bool listIdentity(const PackOptions& options, FileIdentity* out) {
    platform::FileLookup lookup;
    platform::FileFacts list;
    std::string why;
    if (!options.hasList || options.listFile == "-" || !lookup.find(options.listFile, &list, &why))
        return false;
    *out = FileIdentity{list.device, list.id};
    return true;
}

// Everything bxa must know of the member files before its outputs may replace
// anything: each one exists as a readable regular file, none is an output, and the
// archive they make fits. Fills the outputs' targets.
bool checkMembers(const PackOptions& options, PackMembers& members, PackOutputs* outputs,
                  std::string* error) {
    // Only members that are one of the existing outputs can stop the build here:
    // they alone are kept for the output check, not the identity of every member.
    std::vector<PackMembers::Match> matches;
    if (!members.check(existingOutputs(*outputs), &matches, error)) return false;
    std::vector<FileIdentity> inputs;
    for (const PackMembers::Match& m : matches)
        inputs.push_back(m.file);
    if (FileIdentity list; listIdentity(options, &list)) inputs.push_back(list);
    auto labelOf = [&](std::size_t k) {
        if (k >= matches.size()) return "the list file " + options.listFile;
        return members.where(matches[k].index) + " (" + members.store().GetEntryPath(matches[k].index) + ")";
    };
    if (!checkOutputs(outputs, inputs, labelOf, error)) return false;
    const std::vector<uint64_t>& sizes = members.sizes();
    uint64_t length =
        archiveLength(sizes.data(), sizes.size(), members.store().GetEntryEnd(), options.alignment);
    if (!archiveFits(length)) {
        *error = outputs->archive.name + ": the archive would take " + std::to_string(length) +
                 " bytes; it must stay below 2 GiB";
        return false;
    }
    return true;
}

// FileID problems as lines for standard error.
std::vector<std::string> noticesOf(const PackOptions& options, const std::vector<std::string>& problems) {
    std::vector<std::string> notices;
    for (const std::string& p : problems)
        notices.push_back(std::string("bxa: ") + (options.strict ? "" : "warning: ") + p + "\n");
    return notices;
}

// The FileID problems, as lines for standard error; false with `error` set when
// --strict makes them a refusal.
bool fileIdNotices(const PackOptions& options, PackMembers& members, std::vector<std::string>* notices,
                   std::string* error) {
    const std::vector<std::string> problems = checkFileIds(options, members);
    *notices = noticesOf(options, problems);
    if (options.strict && !problems.empty()) {
        *error = "--strict: not building " + outputNamesOf(options).archive.name + " with these FileIDs";
        return false;
    }
    return true;
}

// Two passes over tens of thousands of member files, the check and the build, can
// overlap: the build writes only temporaries until the check has passed. Not for a
// few members, where starting a thread costs more than it saves; not when a progress
// line wants every length first, nor with --strict, whose FileID check must pass
// before the build; nor when the build must trim a path in the very entry table the
// check reads.
bool canCheckAlongside(const PackOptions& options, const PackMembers& members) {
    constexpr uint32_t kWorthAThread = 1000;
    return members.count() >= kWorthAThread && !progressDrawn(options) && !options.strict &&
           !members.hasControlTails();
}

// The pack with the member check beside the build. Whatever else could refuse it is
// checked first; on any refusal the ordinary order of checks runs instead
// (kMembersRefused), so the message is the one it would have been.
int packAlongside(const PackOptions& options, PackMembers& members, PackOutputs& outputs) {
    std::vector<FileIdentity> inputs;
    if (FileIdentity list; listIdentity(options, &list)) inputs.push_back(list);
    PackOutputs checked = outputs;
    std::string error;
    auto labelOf = [&](std::size_t) { return "the list file " + options.listFile; };
    if (!checkOutputs(&checked, inputs, labelOf, &error)) return kMembersRefused;
    // The FileID warnings are worked out beside the build too, once the members passed.
    std::vector<std::string> notices;
    ConcurrentMemberCheck alongside(members, existingOutputs(outputs), options.alignment,
                                    [&] { notices = noticesOf(options, fileIdProblems(options, members)); });
    platform::returnFreedMemory();
    return runPack(options, members, checked, &alongside, notices);
}

int pack(const std::vector<std::string>& args) {
    PackOptions options;
    std::string error;
    if (!parsePackOptions(args, &options, &error)) return usageError("pack", error);
    if (options.help) {
        printPackUsage(stdout);
        return 0;
    }
    if (options.version) {
        printVersion(stdout);
        return 0;
    }
    PackMembers members;
    bool parsed = options.hasList ? members.fromList(options.listFile, &error)
                                  : members.fromArguments(options.files, &error);
    if (!parsed) return checkError(error);
    if (members.count() == 0) return checkError(options.listFile + ": the list names no member");
    PackOutputs outputs = outputNamesOf(options);
    if (canCheckAlongside(options, members)) {
        const int status = packAlongside(options, members, outputs);
        if (status != kMembersRefused) return status;
        // Refused by the check beside the build, or the build could not begin: the
        // ordinary order of checks names the first problem.
    }
    if (!checkMembers(options, members, &outputs, &error)) return checkError(error);
    members.forgetCheckDetails();
    std::vector<std::string> notices;
    const bool idsPass = fileIdNotices(options, members, &notices, &error);
    for (const std::string& n : notices)
        std::fputs(n.c_str(), stderr);
    if (!idsPass) return checkError(error);
    // What the checks needed of tens of thousands of members is not kept through the build.
    platform::returnFreedMemory();
    return runPack(options, members, outputs);
}

using Command = int (*)(const std::vector<std::string>&);

struct CommandEntry {
    const char* name;
    Command run;
};

const CommandEntry kCommands[] = {
    {"pack", pack},
    {"list", listCommand},
    {"verify", verifyCommand},
    {"extract", extractCommand},
};

Command findCommand(const std::string& name) {
    for (const CommandEntry& c : kCommands)
        if (name == c.name) return c.run;
    return nullptr;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) return commandError("missing command");
    std::string command = argv[1];
    std::vector<std::string> args(argv + 2, argv + argc);
    if (command == "help" && !args.empty()) {
        // "bxa help COMMAND" is "bxa COMMAND --help".
        command = args[0];
        args = {"--help"};
        if (!findCommand(command)) return commandError("unknown command '" + command + "'");
    }
    if (command == "--help" || command == "-h" || command == "help") {
        printUsage(stdout);
        return 0;
    }
    if (command == "--version" || command == "-V") {
        printVersion(stdout);
        return 0;
    }
    if (Command run = findCommand(command)) return run(args);
    return commandError("unknown command '" + command + "'");
}
