#pragma once
// Saving a small file so that nothing the user had is lost.
#include <cstddef>
#include <string>

namespace platform {

struct ReplaceResult {
    enum Outcome {
        Replaced,       // a complete new file was renamed over the old one
        WrittenInPlace, // no temporary file could be used; the old file was overwritten
        Failed,         // nothing was changed; `reason` says why
    };
    Outcome outcome = Failed;
    std::string reason;
    bool ok() const { return outcome != Failed; }
};

// Gives the file at `path` exactly `size` bytes of `data`.
//  - An existing file that this process may not both read and write (see
//    fileIsReadWrite) or that is not a regular file is left alone: Failed.
//  - A link is followed; the file it names is replaced and the link stays.
//  - Normally the bytes go to a temporary file in the same folder, which is synced and
//    then renamed over the target, so a crash or a full disk leaves the old file whole.
//    The new file keeps the old one's mode (and owner, where allowed); a new file gets
//    the mode the umask allows. The temporary file has a fixed name, so one that an
//    earlier crash left behind is taken over and leaves with the rename.
//  - When no temporary file can be made or renamed there (a folder that may not be
//    written, a file mounted on its own) but the file itself may be written, it is
//    overwritten in place and cut to `size`.
//  - A missing file is created; its folder must exist.
ReplaceResult replaceFile(const std::string& path, const void* data, size_t size);

// The fixed name of the temporary file that replaceFile uses for `path`.
std::string replacementTempPath(const std::string& path);

} // namespace platform
