#include "model/list_file.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>

#include "model/project_store.h"
#include "model/text_file.h"
#include "platform/path.h"

namespace {

constexpr uint32_t kHighestIndex = kSlotCount - 1;
constexpr size_t kMaxPath = kPathSize - 1;

bool isBlank(const std::string& s, size_t begin, size_t end) {
    for (size_t i = begin; i < end; ++i)
        if (s[i] != ' ' && s[i] != '\t') return false;
    return true;
}

bool fail(std::string* error, const std::string& where, const std::string& what) {
    *error = where + ": " + what;
    return false;
}

// A line of a list, spelt "LIST:LINE" only when a message names it: lists of tens of
// thousands of lines are read without a text per line.
struct LineRef {
    const std::string& list;
    uint32_t line;
};

bool fail(std::string* error, const LineRef& where, const std::string& what) {
    return fail(error, where.list + ":" + std::to_string(where.line), what);
}

// Which line of the list took each index first (0: none yet).
class IndexTable {
  public:
    IndexTable() : firstLine_(kSlotCount) {}
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

std::string joined(const std::string& folder, const std::string& path) {
    if (folder.empty() || platform::isAbsolutePath(path)) return path;
    return platform::isPathSeparator(folder.back()) ? folder + path
                                                    : folder + platform::kPathSeparator + path;
}

// A path relative to the list's folder that means just what it says: no empty, "."
// or ".." component, so it never leads out of the folder or changes when read back.
bool isPlainRelative(const std::string& rest) {
    if (rest.empty()) return false;
    size_t begin = 0;
    while (begin <= rest.size()) {
        size_t end = platform::findPathSeparator(rest, begin);
        if (end == std::string::npos) end = rest.size();
        const std::string part = rest.substr(begin, end - begin);
        if (part.empty() || part == "." || part == "..") return false;
        begin = end + 1;
    }
    return true;
}

// Parses one member line (neither blank nor a comment) into `index` and `path`.
bool parseLine(const std::string& text, size_t begin, size_t end, int64_t previous, const LineRef& where,
               int64_t* index, std::string* path, std::string* error) {
    if (std::memchr(text.data() + begin, '\0', end - begin))
        return fail(error, where, "the line holds a NUL byte");
    const char* tabAt = static_cast<const char*>(std::memchr(text.data() + begin, '\t', end - begin));
    const size_t tab = tabAt ? static_cast<size_t>(tabAt - text.data()) : end;
    if (tab == end) {
        *index = previous + 1;
        if (*index > kHighestIndex)
            return fail(error, where,
                        "index 65535 (after 65534 on the previous line) is out of range (0 to 65534)");
        path->assign(text, begin, end - begin);
        return true;
    }
    if (tab == begin) return fail(error, where, "missing index before the tab");
    uint64_t value = 0;
    for (size_t i = begin; i < tab; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return fail(error, where,
                        "malformed line: expected INDEX<TAB>PATH with a decimal INDEX, or a bare PATH");
        value = std::min<uint64_t>(value * 10 + static_cast<uint64_t>(c - '0'), 1u << 30);
    }
    if (value > kHighestIndex)
        return fail(error, where,
                    "index " + text.substr(begin, tab - begin) + " is out of range (0 to 65534)");
    *index = static_cast<int64_t>(value);
    path->assign(text, tab + 1, end - tab - 1);
    return true;
}

} // namespace

std::string ListFolder(const std::string& listPath) {
    const size_t slash = platform::findLastPathSeparator(listPath);
    if (slash == std::string::npos) return "";
    if (slash == 0) return listPath.substr(0, 1);
    const std::string folder = listPath.substr(0, slash);
    return folder == "." ? "" : folder;
}

std::string AbsoluteListPath(const std::string& listPath) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(listPath, ec);
    return ec ? listPath : absolute.lexically_normal().string();
}

std::string WithListExtension(const std::string& listPath) {
    const size_t slash = platform::findLastPathSeparator(listPath);
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    if (nameStart == listPath.size()) return listPath;
    // A leading dot makes a hidden file, not an extension.
    if (listPath.find('.', nameStart + 1) != std::string::npos) return listPath;
    return listPath + ".lst";
}

bool ParseList(const std::string& text, const std::string& listName, const std::string& folder,
               const ListVisitor& take, std::string* error) {
    IndexTable table;
    size_t pos = 0;
    // Editors on some systems start UTF-8 files with a byte-order mark.
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) pos = 3;
    uint32_t lineNo = 0;
    int64_t previous = -1;
    std::string path; // reused from line to line
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        const size_t begin = pos;
        pos = end + 1;
        ++lineNo;
        if (end > begin && text[end - 1] == '\r') --end;
        if (isBlank(text, begin, end) || text[begin] == '#') continue;
        const LineRef where{listName, lineNo};
        int64_t index = 0;
        if (!parseLine(text, begin, end, previous, where, &index, &path, error)) return false;
        if (path.empty()) return fail(error, where, "empty path");
        std::string resolved = joined(folder, path);
        if (resolved.size() > kMaxPath)
            return fail(error, where,
                        "path of " + std::to_string(resolved.size()) + " bytes" +
                            (resolved.size() != path.size() ? " with the list's folder" : "") +
                            " is too long (at most 259)");
        if (!table.take(static_cast<uint32_t>(index), lineNo, listName, error)) return false;
        if (!take(ListEntry{static_cast<uint32_t>(index), std::move(resolved), lineNo}, error)) return false;
        previous = index;
    }
    return true;
}

bool ParseList(const std::string& text, const std::string& listName, const std::string& folder,
               std::vector<ListEntry>* out, std::string* error) {
    return ParseList(
        text, listName, folder,
        [out](ListEntry&& e, std::string*) {
            out->push_back(std::move(e));
            return true;
        },
        error);
}

bool ReadList(const std::string& listPath, const ListVisitor& take, std::string* error) {
    std::string text;
    return ReadRegularFile(listPath, SIZE_MAX, &text, error) &&
           ParseList(text, listPath, ListFolder(AbsoluteListPath(listPath)), take, error);
}

bool ReadList(const std::string& listPath, std::vector<ListEntry>* out, std::string* error) {
    return ReadList(
        listPath,
        [out](ListEntry&& e, std::string*) {
            out->push_back(std::move(e));
            return true;
        },
        error);
}

bool FormatList(const ProjectStore& store, const std::string& folder, std::string* text, std::string* error) {
    const std::string prefix = folder.empty() || platform::isPathSeparator(folder.back())
                                   ? folder
                                   : folder + platform::kPathSeparator;
    std::string result;
    for (uint32_t index = 0, end = store.GetEntryEnd(); index < end; ++index) {
        const char* slotPath = store.GetEntryPath(index);
        if (!slotPath) continue;
        std::string path = slotPath;
        const std::string where = "index " + std::to_string(index);
        if (path.empty()) return fail(error, where, "the path is empty");
        if (path.find_first_of("\t\n\r") != std::string::npos)
            return fail(
                error, where + ": " + path,
                "the path holds a tab, a line feed or a carriage return, which no list line can hold");
        if (!platform::isAbsolutePath(path)) {
            // Relative to the current folder, which the list's reader does not share.
            std::error_code ec;
            const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
            if (!ec) path = absolute.string();
        }
        if (!prefix.empty() && path.compare(0, prefix.size(), prefix) == 0 &&
            isPlainRelative(path.substr(prefix.size())))
            path.erase(0, prefix.size());
        result += std::to_string(index) + "\t" + path + "\n";
    }
    *text = std::move(result);
    return true;
}

void ReplaceEntries(ProjectStore* store, const std::vector<ListEntry>& entries) {
    for (uint32_t index = 0, end = store->GetEntryEnd(); index < end; ++index)
        store->ClearEntry(index);
    for (const ListEntry& entry : entries)
        store->RegisterEntry(entry.path.c_str(), entry.index);
}
