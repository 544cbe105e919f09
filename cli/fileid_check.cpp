#include "cli/fileid_check.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <utility>

#include "engine/header_output.h"
#include "model/project_store.h"

namespace {

std::string quoted(const std::string& id) {
    return "'" + id + "'";
}

// Why `id` cannot be a macro name of its own; empty when it can.
std::string identifierProblem(const std::string& id) {
    if (id.empty()) return "is empty";
    if (id[0] >= '0' && id[0] <= '9') return quoted(id) + " is not a C identifier: it starts with a digit";
    for (unsigned char c : id) {
        const bool ok =
            (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
        if (!ok) {
            char shown[16];
            if (c >= 0x20 && c < 0x7F)
                std::snprintf(shown, sizeof shown, "'%c'", c);
            else
                std::snprintf(shown, sizeof shown, "byte 0x%02x", c);
            return quoted(id) + " is not a C identifier: it holds " + shown;
        }
    }
    if (id.size() >= 2 && id[0] == '_' && (id[1] == '_' || (id[1] >= 'A' && id[1] <= 'Z')))
        return quoted(id) + " is reserved: it starts with " +
               (id[1] == '_' ? "two underscores" : "an underscore and a capital letter");
    return "";
}

std::string member(const ProjectStore& store, uint32_t index) {
    return "index " + std::to_string(index) + " (" + store.GetEntryPath(index) + ")";
}

// The FileID of the member at `index`, as the build will spell it.
void fileIdOf(const ProjectStore& store, uint32_t index, const char* prefix, char id[kIdBufferSize]) {
    const EntrySlot* slot = store.GetSlot(index);
    // The build trims a trailing control byte from the path before it spells the FileID.
    char path[kNameBufferSize];
    const std::size_t length = strnlen(slot->path, sizeof path - 1);
    std::memcpy(path, slot->path, length);
    path[length] = '\0';
    trimControlTail(path);
    makeFileId(prefix, path, slot->nameOffset, id);
}

uint64_t hashOf(const char* text) {
    uint64_t h = 14695981039346656037ull;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p)
        h = (h ^ *p) * 1099511628211ull;
    return h;
}

} // namespace

std::vector<std::string> checkFileIds(const PackOptions& options, PackMembers& members) {
    // The name offsets come from the model, the names from the header writer's own function.
    ProjectStore& store = members.store();
    store.SetHeaderNameMode(options.nameMode);
    store.UpdateNameOffsets();
    return fileIdProblems(options, members);
}

std::vector<std::string> fileIdProblems(const PackOptions& options, const PackMembers& members) {
    const ProjectStore& store = members.store();
    const char* prefix = options.prefix.empty() ? nullptr : options.prefix.c_str();

    std::vector<std::string> problems;
    char countName[kNumFilesNameSize];
    makeNumFilesName(options.archive.c_str(), countName);
    if (std::string why = identifierProblem(countName); !why.empty())
        problems.push_back("the entry-count name " + why);

    // Duplicates are found by a hash of each FileID: only members whose hashes meet
    // have their names spelt again and compared, so no name is kept meanwhile. Each
    // member is one word, the hash's top 48 bits over its 16-bit index, sorted as is.
    constexpr int kIndexBits = 16;
    static_assert(kSlotCount <= (1u << kIndexBits), "an index fits below the hash");
    std::vector<uint64_t> spelt;
    spelt.reserve(members.count());
    char id[kIdBufferSize];
    for (uint32_t index = 0, end = store.GetEntryEnd(); index < end; ++index) {
        if (!store.GetEntryPath(index)) continue;
        fileIdOf(store, index, prefix, id);
        spelt.push_back((hashOf(id) >> kIndexBits << kIndexBits) | index);
        if (std::string why = identifierProblem(id); !why.empty())
            problems.push_back(member(store, index) + ": FileID " + why);
        if (std::strcmp(id, countName) == 0)
            problems.push_back(member(store, index) + ": FileID " + quoted(id) +
                               " equals the entry-count name");
    }
    std::sort(spelt.begin(), spelt.end());
    auto hashPart = [](uint64_t word) { return word >> kIndexBits; };
    auto indexPart = [](uint64_t word) { return static_cast<uint32_t>(word & ((1u << kIndexBits) - 1)); };
    // Each FileID that several members share, with those members in index order.
    std::vector<std::pair<std::string, std::vector<uint32_t>>> shared;
    for (std::size_t i = 0; i < spelt.size();) {
        std::size_t j = i + 1;
        while (j < spelt.size() && hashPart(spelt[j]) == hashPart(spelt[i]))
            ++j;
        if (j - i > 1) {
            std::map<std::string, std::vector<uint32_t>> byId;
            for (std::size_t k = i; k < j; ++k) {
                fileIdOf(store, indexPart(spelt[k]), prefix, id);
                byId[id].push_back(indexPart(spelt[k]));
            }
            for (auto& [name, indexes] : byId)
                if (indexes.size() > 1) shared.emplace_back(name, std::move(indexes));
        }
        i = j;
    }
    std::sort(shared.begin(), shared.end());
    for (const auto& [name, indexes] : shared) {
        std::string who;
        for (std::size_t k = 0; k < indexes.size(); ++k)
            who += (k == 0 ? "" : k + 1 == indexes.size() ? " and " : ", ") + member(store, indexes[k]);
        problems.push_back("FileID " + quoted(name) + " is shared by " + who);
    }
    return problems;
}
