#include "platform/instance_lock.h"

#include <windows.h>

namespace platform {

// The system frees a named mutex when its last handle goes, that is when the
// process that holds it ends, however it ends.

InstanceLock::InstanceLock(const char* name) : name_(name ? name : "") {}

InstanceLock::~InstanceLock() {
    if (handle_) ::CloseHandle(static_cast<HANDLE>(handle_));
}

InstanceLock::Result InstanceLock::Acquire() {
    if (handle_) return Result::Acquired;
    if (name_.empty()) return Result::Unavailable;
    HANDLE h = ::CreateMutexA(nullptr, TRUE, name_.c_str());
    if (!h) {
        // A name taken by another kind of object, or access refused: another program owns it.
        return ::GetLastError() == ERROR_ACCESS_DENIED || ::GetLastError() == ERROR_INVALID_HANDLE
                   ? Result::HeldElsewhere
                   : Result::Unavailable;
    }
    if (::GetLastError() == ERROR_ALREADY_EXISTS) {
        ::CloseHandle(h);
        path_ = name_;
        return Result::HeldElsewhere;
    }
    handle_ = h;
    path_ = name_;
    return Result::Acquired;
}

} // namespace platform
