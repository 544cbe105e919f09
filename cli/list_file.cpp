#include "cli/list_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

constexpr uint32_t kHighestIndex = 65534;
constexpr size_t kMaxPath = 259;

bool isBlank(const std::string& s, size_t begin, size_t end) {
    for (size_t i = begin; i < end; ++i)
        if (s[i] != ' ' && s[i] != '\t') return false;
    return true;
}

bool fail(std::string* error, const std::string& where, const std::string& what) {
    *error = where + ": " + what;
    return false;
}

// Which line of the list took each index first (0: none yet).
class IndexTable {
  public:
    IndexTable() : firstLine_(kHighestIndex + 1) {}
    bool take(uint32_t index, uint32_t line, const std::string& listName, std::string* error) {
        if (firstLine_[index] != 0)
            return fail(error, listName + ":" + std::to_string(line),
                        "index " + std::to_string(index) + " is used twice (first at " + listName + ":" +
                            std::to_string(firstLine_[index]) + ")");
        firstLine_[index] = line;
        return true;
    }

  private:
    std::vector<uint32_t> firstLine_;
};

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

} // namespace

std::string Member::where() const {
    return list ? *list + ":" + std::to_string(line) : "argument " + std::to_string(line);
}

bool parseListText(const std::string& text, const std::string& listName, std::vector<Member>* out,
                   std::string* error) {
    IndexTable table;
    size_t pos = 0;
    // Editors on some systems start UTF-8 files with a byte-order mark.
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) pos = 3;
    uint32_t lineNo = 0;
    int64_t previous = -1;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        size_t begin = pos;
        pos = end + 1;
        ++lineNo;
        if (end > begin && text[end - 1] == '\r') --end;
        if (isBlank(text, begin, end) || text[begin] == '#') continue;
        auto where = [&] { return listName + ":" + std::to_string(lineNo); };
        if (std::memchr(text.data() + begin, '\0', end - begin))
            return fail(error, where(), "the line holds a NUL byte");
        const char* tabAt = static_cast<const char*>(std::memchr(text.data() + begin, '\t', end - begin));
        size_t tab = tabAt ? static_cast<size_t>(tabAt - text.data()) : end;
        int64_t index;
        std::string path;
        if (tab < end) {
            if (tab == begin) return fail(error, where(), "missing index before the tab");
            uint64_t value = 0;
            for (size_t i = begin; i < tab; ++i) {
                char c = text[i];
                if (c < '0' || c > '9')
                    return fail(
                        error, where(),
                        "malformed line: expected INDEX<TAB>PATH with a decimal INDEX, or a bare PATH");
                value = std::min<uint64_t>(value * 10 + static_cast<uint64_t>(c - '0'), 1u << 30);
            }
            if (value > kHighestIndex)
                return fail(error, where(),
                            "index " + text.substr(begin, tab - begin) + " is out of range (0 to 65534)");
            index = static_cast<int64_t>(value);
            path = text.substr(tab + 1, end - tab - 1);
        } else {
            index = previous + 1;
            if (index > kHighestIndex)
                return fail(error, where(),
                            "index 65535 (after 65534 on the previous line) is out of range (0 to 65534)");
            path = text.substr(begin, end - begin);
        }
        if ((path.empty() || path.size() > kMaxPath) && !checkPathLength(path, where(), error)) return false;
        if (!table.take(static_cast<uint32_t>(index), lineNo, listName, error)) return false;
        out->push_back(Member{static_cast<uint32_t>(index), std::move(path), &listName, lineNo});
        previous = index;
    }
    return true;
}

bool readListFile(const std::string& listPath, std::vector<Member>* out, std::string* error) {
    std::FILE* f = std::fopen(listPath.c_str(), "rb");
    if (!f) return fail(error, listPath, std::strerror(errno));
    std::string text;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        text.append(buf, n);
    int readError = std::ferror(f) ? errno : 0;
    std::fclose(f);
    if (readError) return fail(error, listPath, std::strerror(readError));
    return parseListText(text, listPath, out, error);
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
        if (static_cast<unsigned char>(opened.back()) >= 0x01 &&
            static_cast<unsigned char>(opened.back()) <= 0x1F)
            opened.pop_back();
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

bool checkOutputsAreNotMembers(const std::vector<Member>& members, const std::vector<std::string>& outputs,
                               std::string* error) {
    std::set<std::pair<uint64_t, uint64_t>> outputIds;
    for (const std::string& name : outputs) {
        struct stat st {};
        if (::stat(name.c_str(), &st) == 0)
            outputIds.insert({static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)});
    }
    if (outputIds.empty()) return true;
    for (const Member& m : members) {
        if (outputIds.count({m.device, m.inode}))
            return fail(error, m.where() + ": " + m.path, "is also an output file of this build");
    }
    return true;
}

uint64_t archiveLength(const std::vector<Member>& sortedMembers, uint32_t alignment) {
    auto up = [alignment](uint64_t x) { return alignment ? (x + alignment - 1) / alignment * alignment : x; };
    uint64_t entries = sortedMembers.empty() ? 0 : sortedMembers.back().index + 1ull;
    uint64_t pos = up(16 + 8 * entries);
    for (const Member& m : sortedMembers)
        pos = up(pos + m.size);
    return up(pos + 48 * entries);
}
