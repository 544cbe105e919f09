#include "cli/members.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <utility>

#include "engine/member_attributes.h"
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

PackMembers::PackMembers() : memory_(sizeof(ProjectStore), false) {
    // A fresh mapping is zero already: the table's pages are touched only where
    // members land, and small pages keep a small pack's memory small.
    if (memory_.get()) store_ = new (memory_.get()) ProjectStore(ProjectStore::ZeroFilled{});
}

PackMembers::~PackMembers() {
    if (store_) store_->~ProjectStore();
}

bool PackMembers::take(uint32_t index, const std::string& path, uint32_t line, std::string* error) {
    if (!store_->RegisterEntry(path.c_str(), index))
        return fail(error, placeOf(line) + ": " + path,
                    "cannot register the member at index " + std::to_string(index));
    const unsigned char last = path.empty() ? 0 : static_cast<unsigned char>(path.back());
    if (last >= 0x01 && last <= 0x1F) controlTails_ = true;
    if (lineOf_.empty()) lineOf_.resize(kSlotCount);
    lineOf_[index] = line;
    ++count_;
    return true;
}

bool PackMembers::fromList(const std::string& listPath, std::string* error) {
    static const std::string kStandardInput = "standard input";
    if (!store_) return fail(error, listPath, "not enough memory for the entry table");
    listName_ = listPath;
    list_ = &listName_;
    auto take = [this](ListEntry&& e, std::string* why) { return this->take(e.index, e.path, e.line, why); };
    if (listPath == "-") {
        // A list made by another program on the fly: its paths are relative to the current
        // folder, taken as an absolute path like a list file's own folder.
        list_ = &kStandardInput;
        std::string text;
        return readStandardInput(&text, error) &&
               ParseList(text, *list_, ListFolder(AbsoluteListPath("-")), take, error);
    }
    return ReadList(listPath, take, error);
}

bool PackMembers::fromArguments(const std::vector<std::string>& files, std::string* error) {
    if (!store_) return fail(error, "bxa", "not enough memory for the entry table");
    for (size_t i = 0; i < files.size(); ++i) {
        std::string where = "argument " + std::to_string(i + 1);
        if (i > kHighestIndex) return fail(error, where, "more than 65535 FILE arguments");
        if (!checkPathLength(files[i], where, error)) return false;
        if (!take(static_cast<uint32_t>(i), files[i], static_cast<uint32_t>(i + 1), error)) return false;
    }
    return true;
}

std::string PackMembers::lookAt(platform::FileLookup& lookup, uint32_t index,
                                platform::FileFacts* facts) const {
    // The engine drops one trailing control byte before it opens a member, so that
    // is the name that has to exist.
    const char* path = store_->GetEntryPath(index);
    char opened[kPathSize];
    const size_t length = strnlen(path, kPathSize - 1);
    std::memcpy(opened, path, length);
    opened[length] = '\0';
    trimControlTail(opened);
    if (opened[0] == '\0') return "empty path";
    std::string reason;
    if (!lookup.find(opened, facts, &reason)) return reason;
    if (facts->kind == platform::FileFacts::Kind::Folder) return "is a folder, not a file";
    if (facts->kind != platform::FileFacts::Kind::Regular) return "not a regular file";
    if (!facts->readable) return facts->whyUnreadable;
    return {};
}

MemberFacts PackMembers::factsOf(const platform::FileFacts& facts, StampCache* stamps) {
    // Members written in one go share their last-write second: its local date is
    // worked out once for all of them.
    if (facts.lastWrite != stamps->time) {
        stamps->time = facts.lastWrite;
        stamps->stamp = dosStampOf(facts.lastWrite);
    }
    return MemberFacts{facts.size > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(facts.size),
                       stamps->stamp};
}

void PackMembers::forgetCheckDetails() {
    std::vector<uint64_t>().swap(sizes_);
    std::vector<uint32_t>().swap(lineOf_);
}

std::string PackMembers::where(uint32_t index) const {
    return placeOf(index < lineOf_.size() ? lineOf_[index] : 0);
}

std::string PackMembers::placeOf(uint32_t line) const {
    return list_ ? *list_ + ":" + std::to_string(line) : "argument " + std::to_string(line);
}

bool PackMembers::check(const std::vector<FileIdentity>& watched, std::vector<Match>* matches,
                        std::string* error) {
    // Checked in the order the members were named, so the first problem reported is
    // the first one in the list; the facts are kept by index, the build's order.
    const uint32_t end = store_->GetEntryEnd();
    std::vector<uint32_t> order;
    order.reserve(count_);
    for (uint32_t index = 0; index < end; ++index)
        if (store_->GetEntryPath(index)) order.push_back(index);
    std::sort(order.begin(), order.end(), [this](uint32_t a, uint32_t b) { return lineOf_[a] < lineOf_[b]; });
    facts_.assign(end, MemberFacts{});
    sizes_.assign(end, 0);
    matches->clear();

    platform::FileLookup lookup;
    StampCache stamps;
    for (uint32_t index : order) {
        platform::FileFacts facts;
        std::string reason = lookAt(lookup, index, &facts);
        if (!reason.empty()) return fail(error, where(index) + ": " + store_->GetEntryPath(index), reason);
        facts_[index] = factsOf(facts, &stamps);
        sizes_[index] = facts.size;
        if (const FileIdentity* output = sameFileIn(watched, facts.device, facts.id))
            matches->push_back(Match{index, *output});
    }
    // Packed into index order in place: the k-th member's index is never below k.
    uint32_t k = 0;
    for (uint32_t index = 0; index < end; ++index) {
        if (!store_->GetEntryPath(index)) continue;
        facts_[k] = facts_[index];
        sizes_[k] = sizes_[index];
        ++k;
    }
    facts_.resize(k);
    sizes_.resize(k);
    std::sort(matches->begin(), matches->end(),
              [](const Match& a, const Match& b) { return a.index < b.index; });
    return true;
}
