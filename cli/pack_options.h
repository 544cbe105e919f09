#pragma once
// Command line of `bxa pack`: what the user typed, turned into build options.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/archive_layout.h"

struct PackOptions {
    std::string archive;            // handed to the build job exactly as typed
    std::vector<std::string> files; // FILE arguments, indexes 0, 1, 2...
    std::string listFile;
    bool hasList = false;
    uint32_t alignment = kDefaultAlignment;
    std::string prefix;
    uint32_t nameMode = 0; // OnlyFileName
    std::string headerName;
    std::string logName;
    bool quiet = false;
    bool strict = false; // FileID problems refuse the build
    bool help = false;
    bool version = false;
};

// Parses the arguments that follow "pack". Options may come before or after the
// operands until "--". On a usage error returns false and sets `error`.
bool parsePackOptions(const std::vector<std::string>& args, PackOptions* out, std::string* error);

// Decimal 0..2147483647, nothing else.
bool parseAlignment(const std::string& text, uint32_t* out);
// only-filename, cut-overlapping or full-path.
bool parseNameMode(const std::string& text, uint32_t* out);

// The archive's name with the extension of its last component replaced by
// `extension` (".h", ".crg"), or with `extension` appended when it has none.
std::string sideFileName(const std::string& archive, const char* extension);

// The archive file the build job will create, as the engine derives it.
std::string archiveFileName(const std::string& archive);

void printPackUsage(std::FILE* out);
void printVersion(std::FILE* out);
