#include "cli/members.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "engine/output_names.h"
#include "model/list_file.h"
#include "model/project_store.h"

namespace {

constexpr uint32_t kHighestIndex = kSlotCount - 1;
constexpr size_t kMaxPath = kPathSize - 1;

bool fail(std::string* error, const std::string& where, const std::string& what) {
    *error = where + ": " + what;
    return false;
}

bool checkPathLength(const std::string& path, const std::string& where, std::string* error) {
    if (path.empty()) return fail(error, where, "empty path");
    if (path.size() > kMaxPath)
        return fail(error, where,
                    "path of " + std::to_string(path.size()) + " bytes is too long (at most 259)");
    return true;
}

// System calls dominate a pack of thousands of small files, so readability is
// asked of the kernel only when the owner's read bit does not settle it: for the
// file's owner that bit is the whole answer (access lists never mask it).
bool readable(const std::string& path, const struct stat& st) {
    static const uid_t self = ::geteuid();
    if (st.st_uid == self && (st.st_mode & S_IRUSR)) return true;
    return ::faccessat(AT_FDCWD, path.c_str(), R_OK, AT_EACCESS) == 0;
}

bool readStandardInput(std::string* text, std::string* error) {
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return fail(error, "standard input", std::strerror(errno));
        if (n == 0) return true;
        text->append(buffer, static_cast<size_t>(n));
    }
}

} // namespace

std::string Member::where() const {
    return list ? *list + ":" + std::to_string(line) : "argument " + std::to_string(line);
}

bool membersFromList(const std::string& listPath, std::vector<Member>* out, std::string* error) {
    static const std::string kStandardInput = "standard input";
    std::vector<ListEntry> entries;
    const std::string* name = &listPath;
    if (listPath == "-") {
        // A list made by another program on the fly: its paths are relative to the current folder.
        name = &kStandardInput;
        std::string text;
        if (!readStandardInput(&text, error) || !ParseList(text, *name, "", &entries, error)) return false;
    } else if (!ReadList(listPath, &entries, error)) {
        return false;
    }
    out->reserve(entries.size());
    for (ListEntry& e : entries)
        out->push_back(Member{e.index, std::move(e.path), name, e.line});
    return true;
}

bool membersFromArguments(const std::vector<std::string>& files, std::vector<Member>* out,
                          std::string* error) {
    for (size_t i = 0; i < files.size(); ++i) {
        std::string where = "argument " + std::to_string(i + 1);
        if (i > kHighestIndex) return fail(error, where, "more than 65535 FILE arguments");
        if (!checkPathLength(files[i], where, error)) return false;
        out->push_back(Member{static_cast<uint32_t>(i), files[i], nullptr, static_cast<uint32_t>(i + 1)});
    }
    return true;
}

namespace {

// Looks members up relative to their folder, kept open while consecutive members
// share it: a list of thousands of files then costs one short lookup per file.
class FolderStat {
  public:
    ~FolderStat() {
        if (fd_ >= 0) ::close(fd_);
    }
    int stat(const std::string& path, struct stat* st) {
        std::size_t slash = path.rfind('/');
        if (slash == std::string::npos || slash + 1 == path.size()) return ::stat(path.c_str(), st);
        std::string folder = path.substr(0, slash + 1);
        if (folder != folder_) {
            if (fd_ >= 0) ::close(fd_);
            fd_ = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
            folder_ = folder;
        }
        if (fd_ < 0) return ::stat(path.c_str(), st);
        return ::fstatat(fd_, path.c_str() + slash + 1, st, 0);
    }

  private:
    std::string folder_;
    int fd_ = -1;
};

} // namespace

bool checkMembers(std::vector<Member>* members, std::string* error) {
    FolderStat folders;
    for (Member& m : *members) {
        // The engine drops one trailing control byte before it opens a member, so that
        // is the name that has to exist.
        std::string opened = m.path;
        trimControlTail(opened.data());
        opened.resize(std::strlen(opened.c_str()));
        auto where = [&m] { return m.where() + ": " + m.path; };
        struct stat st {};
        if (opened.empty() || folders.stat(opened, &st) != 0)
            return fail(error, where(), opened.empty() ? "empty path" : std::strerror(errno));
        if (S_ISDIR(st.st_mode)) return fail(error, where(), "is a folder, not a file");
        if (!S_ISREG(st.st_mode)) return fail(error, where(), "not a regular file");
        if (!readable(opened, st)) return fail(error, where(), std::strerror(errno));
        m.size = static_cast<uint64_t>(st.st_size);
        m.device = static_cast<uint64_t>(st.st_dev);
        m.inode = static_cast<uint64_t>(st.st_ino);
    }
    std::sort(members->begin(), members->end(),
              [](const Member& a, const Member& b) { return a.index < b.index; });
    return true;
}
