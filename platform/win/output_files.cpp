#include "platform/output_files.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <windows.h>

#include "platform/path.h"
#include "platform/win/error_reason.h"

namespace platform {

namespace {

constexpr std::size_t kMaxTempStem = 200;

// What the interruption handler removes; it runs on a thread of its own.
char g_temps[StagedFiles::kMax][MAX_PATH];
volatile LONG g_tempCount = 0;
char g_stopMessage[MAX_PATH + 96];
DWORD g_stopLength = 0;
// Set once every temporary has taken its target's place: the build is done, and an
// interruption then stops nothing.
volatile LONG g_committed = 0;

void removeTemps() {
    for (LONG i = 0; i < g_tempCount; ++i)
        ::DeleteFileA(g_temps[i]);
}

BOOL WINAPI removeTempsAndExit(DWORD event) {
    if (g_committed) return TRUE;
    removeTemps();
    DWORD put = 0;
    ::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), g_stopMessage, g_stopLength, &put, nullptr);
    // As the POSIX side: 128 + SIGINT (2) for Ctrl+C, 128 + SIGTERM (15) otherwise.
    ::ExitProcess(event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT ? 130 : 143);
    return TRUE;
}

bool isFolder(const std::string& path) {
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

bool resolveOutput(const std::string& name, OutputTarget* out, std::string* why) {
    if (isPathSeparator(name.back())) return *why = "names a folder, not a file", false;
    char full[MAX_PATH];
    DWORD n = ::GetFullPathNameA(name.c_str(), MAX_PATH, full, nullptr);
    if (n == 0 || n >= MAX_PATH) return *why = "the path is too long", false;
    std::string target = full;
    std::size_t cut = findLastPathSeparator(target);
    if (cut == std::string::npos || !isFolder(target.substr(0, cut + 1)))
        return *why = "its folder does not exist", false;
    DWORD attributes = ::GetFileAttributesA(full);
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) return *why = "exists and is not a regular file", false;
        HANDLE h = ::CreateFileA(full, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        BY_HANDLE_FILE_INFORMATION info{};
        bool known = h != INVALID_HANDLE_VALUE && ::GetFileInformationByHandle(h, &info);
        DWORD error = known ? 0 : ::GetLastError();
        DWORD type = known ? ::GetFileType(h) : FILE_TYPE_UNKNOWN;
        if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
        if (!known) return *why = reasonOf(error), false;
        if (type != FILE_TYPE_DISK) return *why = "exists and is not a regular file", false;
        // A file its owner keeps from being written is not replaced behind their back.
        if (attributes & FILE_ATTRIBUTE_READONLY) return *why = std::strerror(EACCES), false;
        out->exists = true;
        out->device = info.dwVolumeSerialNumber;
        out->id = static_cast<uint64_t>(info.nFileIndexHigh) << 32 | info.nFileIndexLow;
    } else if (::GetLastError() != ERROR_FILE_NOT_FOUND) {
        return *why = reasonOf(::GetLastError()), false;
    }
    out->target = target;
    return true;
}

void StagedFiles::setStopMessage(const std::string& text) {
    g_stopLength = static_cast<DWORD>(std::min(text.size(), sizeof g_stopMessage - 1));
    std::memcpy(g_stopMessage, text.data(), g_stopLength);
}

StagedFiles::~StagedFiles() {
    discard();
}

bool StagedFiles::add(const std::string& target, bool, uint32_t, std::string* why) {
    if (count_ == kMax) return *why = "too many files", false;
    if (count_ == 0) {
        g_committed = 0;
        ::SetConsoleCtrlHandler(removeTempsAndExit, TRUE);
    }
    std::size_t cut = findLastPathSeparator(target);
    std::size_t start = cut == std::string::npos ? 0 : cut + 1;
    std::string stem = target.substr(start, kMaxTempStem);
    static std::mt19937 random{std::random_device{}()};
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[8];
        std::snprintf(suffix, sizeof suffix, "%06x", static_cast<unsigned>(random() & 0xFFFFFF));
        std::string temp = target.substr(0, start) + "." + stem + "." + suffix;
        if (temp.size() >= MAX_PATH) return *why = "the path is too long", false;
        HANDLE h = ::CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                 nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            if (::GetLastError() == ERROR_FILE_EXISTS) continue;
            return *why = "cannot create a file beside it: " + reasonOf(::GetLastError()), false;
        }
        ::CloseHandle(h);
        std::memcpy(g_temps[count_], temp.c_str(), temp.size() + 1);
        temps_[count_] = temp;
        targets_[count_] = target;
        g_tempCount = ++count_;
        return true;
    }
    return *why = "cannot create a file beside it: " + reasonOf(ERROR_FILE_EXISTS), false;
}

bool StagedFiles::commit(std::string* failed, std::string* why) {
    for (int i = 0; i < count_; ++i) {
        if (temps_[i].empty()) continue;
        if (!::MoveFileExA(temps_[i].c_str(), targets_[i].c_str(), MOVEFILE_REPLACE_EXISTING)) {
            *failed = targets_[i];
            *why = reasonOf(::GetLastError());
            discard();
            return false;
        }
        temps_[i].clear();
    }
    g_tempCount = 0;
    count_ = 0;
    g_committed = 1;
    return true;
}

void StagedFiles::abandon(int status) {
    removeTemps();
    std::fflush(stderr);
    ::ExitProcess(static_cast<UINT>(status));
}

void StagedFiles::discard() {
    g_tempCount = 0;
    for (std::string& temp : temps_) {
        if (!temp.empty()) ::DeleteFileA(temp.c_str());
        temp.clear();
    }
    count_ = 0;
}

} // namespace platform
