#include "cli/members.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include "engine/output_names.h"
#include "model/list_file.h"
#include "model/project_store.h"
#include "platform/file_access.h"

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

bool readStandardInput(std::string* text, std::string* error) {
    char buffer[65536];
    for (;;) {
        const size_t n = std::fread(buffer, 1, sizeof buffer, stdin);
        text->append(buffer, n);
        if (n < sizeof buffer) {
            if (std::ferror(stdin)) return fail(error, "standard input", std::strerror(errno));
            return true;
        }
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
        // A list made by another program on the fly: its paths are relative to the current
        // folder, taken as an absolute path like a list file's own folder.
        name = &kStandardInput;
        std::string text;
        if (!readStandardInput(&text, error) ||
            !ParseList(text, *name, ListFolder(AbsoluteListPath("-")), &entries, error))
            return false;
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

bool checkMembers(std::vector<Member>* members, std::string* error) {
    platform::FileLookup lookup;
    for (Member& m : *members) {
        // The engine drops one trailing control byte before it opens a member, so that
        // is the name that has to exist.
        std::string opened = m.path;
        trimControlTail(opened.data());
        opened.resize(std::strlen(opened.c_str()));
        auto where = [&m] { return m.where() + ": " + m.path; };
        if (opened.empty()) return fail(error, where(), "empty path");
        platform::FileFacts facts;
        std::string reason;
        if (!lookup.find(opened, &facts, &reason)) return fail(error, where(), reason);
        if (facts.kind == platform::FileFacts::Kind::Folder)
            return fail(error, where(), "is a folder, not a file");
        if (facts.kind != platform::FileFacts::Kind::Regular)
            return fail(error, where(), "not a regular file");
        if (!facts.readable) return fail(error, where(), facts.whyUnreadable);
        m.size = facts.size;
        m.device = facts.device;
        m.inode = facts.id;
    }
    std::sort(members->begin(), members->end(),
              [](const Member& a, const Member& b) { return a.index < b.index; });
    return true;
}
