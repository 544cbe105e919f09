#include "cli/pack_run.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "cli/progress.h"
#include "cli/staged_outputs.h"
#include "engine/build_job.h"
#include "model/project_store.h"
#include "platform/file_access.h"
#include "platform/memory.h"

namespace {

BuildJobState runJob(BuildJob* job, ProgressLine* progress) {
    for (;;) {
        jobExecute();
        BuildJobState state = jobGetState(job);
        // Created would never advance; treat anything but the working states as the end.
        if (state != BuildJobState::Started && state != BuildJobState::Running) return state;
        progress->update(*job);
    }
}

// The engine's messages go to standard error, with the system's reason when the failed
// call left one; standard output carries nothing of a build.
// `context` points at the progress line on show, if any, which is erased first.
void messageToStderr(const char* text, void* context) {
    int reason = errno;
    if (ProgressLine* progress = *static_cast<ProgressLine**>(context)) progress->finish();
    std::string line(text);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    if (reason != 0)
        std::fprintf(stderr, "bxa: %s (%s)\n", line.c_str(), std::strerror(reason));
    else
        std::fprintf(stderr, "bxa: %s\n", line.c_str());
    // The engine ends the process with status 0 right after this message; a build
    // that never ran must neither leave files behind nor pass for a success.
    if (std::strncmp(text, "not enough memory.", 18) == 0) StagedOutputs::abandon(1);
}

} // namespace

int runPack(const PackOptions& options, PackMembers& members, const PackOutputs& outputs) {
    ProjectStore* store = &members.store();
    store->SetHeaderNameMode(options.nameMode);
    store->SetAlignment(options.alignment);
    store->SetFileIdPrefix(options.prefix.c_str());

    // One fresh mapping for the job block and the build list. The engine clears only
    // what a build reaches, so small pages leave a small build's memory small.
    constexpr std::size_t kListOffset =
        (kJobBlockSize + alignof(BuildRecord) - 1) / alignof(BuildRecord) * alignof(BuildRecord);
    platform::LargeBuffer memory(kListOffset + sizeof(BuildRecord) * kMaxEntries, false);
    void* block = memory.get();
    BuildRecord* list =
        block ? reinterpret_cast<BuildRecord*>(static_cast<char*>(block) + kListOffset) : nullptr;
    if (!block) {
        std::fprintf(stderr, "bxa: not enough memory for the build job\n");
        return 1;
    }

    StagedOutputs staged;
    std::string error;
    if (!staged.create(outputs, &error)) {
        std::fprintf(stderr, "bxa: %s\n", error.c_str());
        return 1;
    }
    engineSetStdoutMessages(false);
    ProgressLine* shownProgress = nullptr;
    engineSetMessageHook(messageToStderr, &shownProgress);
    engineInit();
    int status = 1;
    BuildJob* job = jobCreate(options.archive.c_str(), block, kJobBlockSize);
    if (job) jobSetOutputPaths(job, staged.path(0), staged.path(1), staged.path(2));
    if (!job) {
        std::fprintf(stderr, "bxa: the build job could not be created\n");
    } else {
        // The member files were looked at just now: their lengths and dates go with the job.
        jobSetMemberFacts(job, members.facts().data());
        uint32_t count =
            PrepareBuildJob(store, job, list, options.headerName.c_str(), options.logName.c_str());
        if (count != members.count() || jobGetState(job) != BuildJobState::Started) {
            std::fprintf(stderr, "bxa: the build job could not be started\n");
        } else {
            // The sizes are wanted only for a line that is drawn.
            const bool drawn = !options.quiet && platform::isTerminal(stderr);
            std::vector<uint64_t> sizes;
            if (drawn)
                for (const MemberFacts& f : members.facts())
                    sizes.push_back(f.size);
            ProgressLine progress(drawn, stderr, sizes);
            shownProgress = &progress;
            BuildJobState state = runJob(job, &progress);
            progress.finish();
            shownProgress = nullptr;
            jobClose(job);
            // A build is clean only when nothing failed, down to the last close.
            if (state == BuildJobState::Done && jobGetErrorCount(job) == 0) {
                if (staged.commit(&error))
                    status = 0;
                else
                    std::fprintf(stderr, "bxa: %s\n", error.c_str());
            } else {
                std::fprintf(stderr, "bxa: building %s failed; the previous files are left as they were\n",
                             outputs.archive.name.c_str());
            }
        }
        jobClose(job);
        jobDestroy(job);
    }
    engineFinish();
    engineSetMessageHook(nullptr, nullptr);
    engineSetStdoutMessages(true);
    return status;
}
