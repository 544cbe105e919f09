#include "cli/concurrent_check.h"

#include <utility>

#include "engine/archive_layout.h"
#include "model/project_store.h"

ConcurrentMemberCheck::ConcurrentMemberCheck(PackMembers& members, std::vector<FileIdentity> watched,
                                             uint32_t alignment, std::function<void()> then)
    : members_(members), watched_(std::move(watched)), alignment_(alignment), then_(std::move(then)) {
    members_.factsToFill().assign(members_.count(), MemberFacts{});
}

ConcurrentMemberCheck::~ConcurrentMemberCheck() {
    finish();
}

void ConcurrentMemberCheck::start() {
    thread_ = std::thread([this] { run(); });
}

void ConcurrentMemberCheck::run() {
    const ProjectStore& store = members_.store();
    const uint32_t end = store.GetEntryEnd();
    std::vector<MemberFacts>& facts = members_.factsToFill();
    platform::FileLookup lookup;
    PackMembers::StampCache stamps;
    uint64_t dataEnd = dataStart(end, alignment_);
    uint32_t k = 0;
    for (uint32_t index = 0; index < end; ++index) {
        if (!store.GetEntryPath(index)) continue;
        platform::FileFacts found;
        std::string why = members_.lookAt(lookup, index, &found);
        if (why.empty() && sameFileIn(watched_, found.device, found.id)) why = "is one of the outputs";
        dataEnd = memberEnd(dataEnd, found.size, alignment_);
        if (why.empty() && !archiveFits(archiveEnd(dataEnd, end, alignment_)))
            why = "the archive would pass its size limit";
        if (!why.empty()) {
            problem_ = store.GetEntryPath(index) + std::string(": ") + why;
            failed_.store(true, std::memory_order_release);
            return;
        }
        facts[k] = PackMembers::factsOf(found, &stamps);
        reached_.store(++k, std::memory_order_release);
    }
    if (then_) then_();
    passed_.store(true, std::memory_order_release);
}

bool ConcurrentMemberCheck::waitFor(uint32_t k) {
    while (reached_.load(std::memory_order_acquire) <= k) {
        if (failed()) return false;
        std::this_thread::yield();
    }
    return true;
}

bool ConcurrentMemberCheck::finish() {
    if (thread_.joinable()) thread_.join();
    return !failed();
}
