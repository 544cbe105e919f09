#pragma once
// The outputs of `bxa pack` are written under temporary names beside their targets
// and renamed over them only after a clean build, so the previous files survive a
// failure or an interruption whole.
#include <string>

#include "cli/output_checks.h"
#include "platform/output_files.h"

class StagedOutputs {
  public:
    StagedOutputs() = default;
    StagedOutputs(const StagedOutputs&) = delete;
    StagedOutputs& operator=(const StagedOutputs&) = delete;
    ~StagedOutputs();

    // Creates a new, empty temporary file for each output (archive, header, log);
    // from now on SIGINT, SIGTERM, SIGHUP and SIGPIPE remove them and end the process with
    // status 128 + the signal. False with `error` set when one cannot be made.
    bool create(const PackOutputs& outputs, std::string* error);
    // Where output `i` (0 archive, 1 header, 2 log) is written meanwhile.
    const char* path(int i) const { return staged_.path(i); }
    // Renames every temporary over its target.
    bool commit(std::string* error);
    // Removes the temporaries that are left.
    void discard();

    // Removes the temporaries and ends the process with `status` at once.
    [[noreturn]] static void abandon(int status);

  private:
    platform::StagedFiles staged_;
};
