#pragma once
// The files a build creates: where a name leads before anything is written, and
// temporaries beside their targets that take the targets' places together at the end.
#include <cstdint>
#include <string>

namespace platform {

struct OutputTarget {
    std::string target; // the file the name resolves to, through links: where the new file goes
    bool exists = false;
    uint32_t mode = 0; // permission bits of the file it replaces, where the system has them
    uint64_t device = 0, id = 0;
};

// Finds the file `name` stands for and whether a new file can be made beside it.
// False with `why` set to the reason: a folder's name, something that exists and is no
// regular file or may not be written, a missing or unwritable folder.
bool resolveOutput(const std::string& name, OutputTarget* out, std::string* why);

// While any temporary exists, an interruption (Ctrl+C, termination, hang-up, a reader
// of standard error gone away) removes them all, says the stop message on standard
// error and ends the process with status 128 + the signal number; once commit has put
// them all in place, it ends nothing. A file-size limit makes writes fail instead of
// ending the process.
class StagedFiles {
  public:
    static constexpr int kMax = 3;
    StagedFiles() = default;
    ~StagedFiles();
    StagedFiles(const StagedFiles&) = delete;
    StagedFiles& operator=(const StagedFiles&) = delete;

    // What an interruption says; set before the first temporary is added.
    static void setStopMessage(const std::string& text);
    // Makes a new, empty temporary beside `target`, with the permission bits `mode` of
    // the file it will replace, or those of any new file when `replaces` is false.
    // False with `why` set ("the path is too long", "cannot create a file beside it: ...").
    bool add(const std::string& target, bool replaces, uint32_t mode, std::string* why);
    const char* path(int i) const { return temps_[i].c_str(); }
    // Renames every temporary over its target, in the order added. On a failure the
    // rest are removed, and `failed` names the target that could not be replaced.
    bool commit(std::string* failed, std::string* why);
    // Removes the temporaries that are left.
    void discard();
    // Removes every temporary of the process and ends it with `status` at once (after
    // the error stream's last words).
    [[noreturn]] static void abandon(int status);

  private:
    std::string temps_[kMax];
    std::string targets_[kMax];
    int count_ = 0;
};

} // namespace platform
