#pragma once
// What `bxa pack` checks about the files it will create before it creates any,
// and the names it checks: those the build job will really use.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct PackOptions;

// One file the build creates: its name as the job derives it (written into the
// header and the log) and the file that name resolves to, through links.
struct OutputFile {
    std::string name;
    std::string target; // filled by checkOutputs
    bool exists = false;
    uint32_t mode = 0; // permission bits of the file it replaces
    uint64_t device = 0, inode = 0;
};

struct PackOutputs {
    OutputFile archive, header, log;
};

// The archive, header and log names the job will create for these options.
PackOutputs outputNamesOf(const PackOptions& options);

// A file known by its identity, whichever path leads to it.
struct FileIdentity {
    uint64_t device = 0;
    uint64_t inode = 0;
};

// The identity in `among` that the file with these device and inode numbers has;
// null when it is none of them.
const FileIdentity* sameFileIn(const std::vector<FileIdentity>& among, uint64_t device, uint64_t inode);

// The identities of those outputs that exist already; an output whose name does
// not resolve is left out (checkOutputs reports it).
std::vector<FileIdentity> existingOutputs(const PackOutputs& outputs);

// Refuses outputs that are empty names, that are the same file as each other or as
// an input (a member or the list file), that exist as anything but a regular file or
// cannot be written, or whose folder is missing or cannot be written. `labelOf(k)`
// names input k in the message. Fills each output's target. False with `error` set otherwise.
bool checkOutputs(PackOutputs* outputs, const std::vector<FileIdentity>& inputs,
                  const std::function<std::string(std::size_t)>& labelOf, std::string* error);
