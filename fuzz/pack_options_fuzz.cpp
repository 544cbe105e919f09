// The option parser of `bxa pack` on arbitrary arguments (NUL-separated). For every
// command line it accepts, the names the build job would really create are derived
// and put through the same output checks as a real run, which must not crash and
// must never let through an empty name or two outputs that are one file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cli/output_checks.h"
#include "cli/pack_options.h"
#include "engine/output_names.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> args;
    const char* p = reinterpret_cast<const char*>(data);
    const char* end = p + size;
    while (p < end && args.size() < 64) {
        const char* nul = static_cast<const char*>(std::memchr(p, '\0', static_cast<size_t>(end - p)));
        const char* stop = nul ? nul : end;
        args.emplace_back(p, stop);
        p = stop + 1;
    }
    PackOptions options;
    std::string error;
    if (!parsePackOptions(args, &options, &error)) {
        check(!error.empty());
        return 0;
    }
    if (options.help || options.version) return 0;
    check(!options.archive.empty());

    PackOutputs outputs = outputNamesOf(options);
    // The job keeps a 260-byte copy of the archive name; what it derives from that
    // copy is what bxa checks.
    char kept[260] = {};
    std::strncpy(kept, options.archive.c_str(), sizeof kept - 1);
    char fromJob[kNameBufferSize];
    archiveFileNameOf(kept, fromJob);
    check(outputs.archive.name == fromJob);
    // Header and log names are never cut: an accepted name fits the job's buffer.
    check(outputs.header.name == options.headerName);
    check(outputs.log.name == options.logName);

    if (!checkOutputs(&outputs, {}, {}, &error)) {
        check(!error.empty());
        return 0;
    }
    for (const OutputFile* o : {&outputs.archive, &outputs.header, &outputs.log})
        check(!o->name.empty() && !o->target.empty());
    check(outputs.archive.target != outputs.header.target);
    check(outputs.archive.target != outputs.log.target);
    check(outputs.header.target != outputs.log.target);
    return 0;
}
