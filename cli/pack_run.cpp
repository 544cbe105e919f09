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

int runPack(const PackOptions& options, const std::vector<Member>& members, const PackOutputs& outputs) {
    // About 17.5 MB, of which a build touches only the slots it uses: a fresh
    // mapping is zero already and need not be cleared. Thousands of members fill most
    // of its pages, which large pages then bring in with a handful of faults.
    constexpr std::size_t kManyMembers = 4096;
    platform::LargeBuffer storeMemory(sizeof(ProjectStore), members.size() >= kManyMembers);
    if (!storeMemory.get()) {
        std::fprintf(stderr, "bxa: not enough memory for the entry table\n");
        return 1;
    }
    std::unique_ptr<ProjectStore, void (*)(ProjectStore*)> store(new (storeMemory.get())
                                                                     ProjectStore(ProjectStore::ZeroFilled{}),
                                                                 [](ProjectStore* p) { p->~ProjectStore(); });
    for (const Member& m : members) {
        if (!store->RegisterEntry(m.path.c_str(), m.index)) {
            std::fprintf(stderr, "bxa: %s: %s: cannot register the member at index %u\n", m.where().c_str(),
                         m.path.c_str(), m.index);
            return 1;
        }
    }
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
        uint32_t count =
            PrepareBuildJob(store.get(), job, list, options.headerName.c_str(), options.logName.c_str());
        if (count != members.size() || jobGetState(job) != BuildJobState::Started) {
            std::fprintf(stderr, "bxa: the build job could not be started\n");
        } else {
            std::vector<uint64_t> sizes;
            sizes.reserve(members.size());
            for (const Member& m : members)
                sizes.push_back(m.size);
            ProgressLine progress(!options.quiet && platform::isTerminal(stderr), stderr, sizes);
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
