#pragma once
// The look at every member file that `bxa pack` needs before its outputs may replace
// anything, made on a thread of its own while the build runs, so the two passes over
// tens of thousands of files overlap. The build writes only temporaries meanwhile;
// it takes each member's facts as soon as they are in, and stops when a member fails
// the check. Whoever reports the failure asks the ordinary check (PackMembers::check)
// again for the message, so a refusal reads the same however it was found.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "cli/members.h"
#include "cli/output_checks.h"

class ConcurrentMemberCheck {
  public:
    // `watched`: the outputs that exist; a member that is one of them fails the check.
    // The archive must also stay within its size limit with these options. `then`, when
    // every member has passed, runs on the same thread (it may only read the entry
    // table, as the build does).
    ConcurrentMemberCheck(PackMembers& members, std::vector<FileIdentity> watched, uint32_t alignment,
                          std::function<void()> then = {});
    ~ConcurrentMemberCheck();
    ConcurrentMemberCheck(const ConcurrentMemberCheck&) = delete;
    ConcurrentMemberCheck& operator=(const ConcurrentMemberCheck&) = delete;

    // Starts looking, in index order; members.facts() fills as it goes.
    void start();
    // Waits until the facts of the k-th member in index order are in; false when the
    // check has failed (then nothing more comes).
    bool waitFor(uint32_t k);
    bool failed() const { return failed_.load(std::memory_order_acquire); }
    // Whether every member has passed and what runs after them is done (the check is
    // then over).
    bool passed() const { return passed_.load(std::memory_order_acquire); }
    // Waits for the end of the check; true when every member passed.
    bool finish();
    // Why the check failed, as far as it can tell without the member's place in the list.
    const std::string& problem() const { return problem_; }

  private:
    void run();

    PackMembers& members_;
    std::vector<FileIdentity> watched_;
    uint32_t alignment_;
    std::function<void()> then_;
    std::thread thread_;
    std::atomic<uint32_t> reached_{0};
    std::atomic<bool> failed_{false};
    std::atomic<bool> passed_{false};
    std::string problem_;
};
