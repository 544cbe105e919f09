#include "cli/pack_run.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "cli/concurrent_check.h"
#include "cli/progress.h"
#include "cli/staged_outputs.h"
#include "engine/build_job.h"
#include "model/project_store.h"
#include "platform/file_access.h"
#include "platform/memory.h"

namespace {

struct MessageSink {
    ProgressLine* progress = nullptr; // the line on show, if any, erased first
    // While the member check beside the build has not passed, messages wait here: a
    // refusal is all that is said then.
    std::vector<std::string>* held = nullptr;
    // Said before anything of the build once the check has passed (FileID warnings).
    const std::vector<std::string>* notices = nullptr;

    // The check has passed: what waited is said, in the order it would have come, and
    // whatever comes later is said at once. A build stopped by a signal then still
    // leaves its warnings said, as when the check came first.
    void release() {
        if (!held) return;
        for (const std::string& n : *notices)
            std::fputs(n.c_str(), stderr);
        for (const std::string& h : *held)
            std::fputs(h.c_str(), stderr);
        held = nullptr;
    }
};

BuildJobState runJob(BuildJob* job, ProgressLine* progress, ConcurrentMemberCheck* alongside,
                     MessageSink* sink) {
    for (;;) {
        // A member is opened only once the check beside the build has looked at it;
        // when that check fails, the build stops where it is.
        if (alongside && jobGetState(job) == BuildJobState::Running && job->memberFile == kNoMember &&
            job->current < job->memberCount && !alongside->waitFor(job->current))
            return BuildJobState::Failed;
        if (alongside && alongside->passed()) sink->release();
        jobExecute();
        BuildJobState state = jobGetState(job);
        // Created would never advance; treat anything but the working states as the end.
        if (state != BuildJobState::Started && state != BuildJobState::Running) return state;
        progress->update(*job);
    }
}

// The engine's messages go to standard error, with the system's reason when the failed
// call left one; standard output carries nothing of a build.
void messageToStderr(const char* text, void* context) {
    int reason = errno;
    MessageSink* sink = static_cast<MessageSink*>(context);
    if (sink->progress) sink->progress->finish();
    std::string line(text);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    line = "bxa: " + line + (reason != 0 ? std::string(" (") + std::strerror(reason) + ")" : "") + "\n";
    if (sink->held && std::strncmp(text, "not enough memory.", 18) != 0)
        sink->held->push_back(line);
    else
        std::fputs(line.c_str(), stderr);
    // The engine ends the process with status 0 right after this message; a build
    // that never ran must neither leave files behind nor pass for a success.
    if (std::strncmp(text, "not enough memory.", 18) == 0) StagedOutputs::abandon(1);
}

} // namespace

bool progressDrawn(const PackOptions& options) {
    return !options.quiet && platform::isTerminal(stderr);
}

int runPack(const PackOptions& options, PackMembers& members, const PackOutputs& outputs,
            ConcurrentMemberCheck* alongside, const std::vector<std::string>& notices) {
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
    // A build that cannot begin says so only once the members have passed their check:
    // with the check beside the build, nothing has looked at them yet, so the caller
    // checks them in the ordinary order and then tries again.
    auto cannotBegin = [alongside](const std::string& why) {
        if (alongside) return kMembersRefused;
        std::fprintf(stderr, "bxa: %s\n", why.c_str());
        return 1;
    };
    if (!block) return cannotBegin("not enough memory for the build job");

    StagedOutputs staged;
    std::string error;
    if (!staged.create(outputs, &error)) return cannotBegin(error);
    engineSetStdoutMessages(false);
    std::vector<std::string> held;
    MessageSink sink;
    if (alongside) {
        sink.held = &held;
        sink.notices = &notices;
    }
    engineSetMessageHook(messageToStderr, &sink);
    engineInit();
    int status = 1;
    BuildJob* job = jobCreate(options.archive.c_str(), block, kJobBlockSize);
    if (job) jobSetOutputPaths(job, staged.path(0), staged.path(1), staged.path(2));
    if (!job) {
        status = cannotBegin("the build job could not be created");
    } else {
        // The member files were looked at just now: their lengths and dates go with the job.
        jobSetMemberFacts(job, members.facts().data());
        uint32_t count =
            PrepareBuildJob(store, job, list, options.headerName.c_str(), options.logName.c_str());
        if (count != members.count() || jobGetState(job) != BuildJobState::Started) {
            status = cannotBegin("the build job could not be started");
        } else {
            // The sizes are wanted only for a line that is drawn.
            const bool drawn = progressDrawn(options);
            std::vector<uint64_t> sizes;
            if (drawn)
                for (const MemberFacts& f : members.facts())
                    sizes.push_back(f.size);
            ProgressLine progress(drawn, stderr, sizes);
            sink.progress = &progress;
            if (alongside) alongside->start();
            BuildJobState state = runJob(job, &progress, alongside, &sink);
            progress.finish();
            sink.progress = nullptr;
            jobClose(job);
            if (alongside && !alongside->finish()) {
                staged.discard();
                status = kMembersRefused;
                state = BuildJobState::Failed;
            }
            if (status == kMembersRefused)
                sink.held = nullptr;
            else
                sink.release();
            // A build is clean only when nothing failed, down to the last close.
            if (status == kMembersRefused) {
                // Reported by the caller.
            } else if (state == BuildJobState::Done && jobGetErrorCount(job) == 0) {
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
