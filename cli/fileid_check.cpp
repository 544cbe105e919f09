#include "cli/fileid_check.h"

#include <cstring>
#include <map>
#include <memory>
#include <new>

#include "engine/header_output.h"
#include "model/project_store.h"
#include "platform/memory.h"

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

std::string member(const Member& m) {
    return "index " + std::to_string(m.index) + " (" + m.path + ")";
}

} // namespace

std::vector<std::string> checkFileIds(const PackOptions& options, const std::vector<Member>& members) {
    // The name offsets come from the model, the names from the header writer's own function.
    // A fresh mapping is zero already: only the slots written are touched.
    platform::LargeBuffer storeMemory(sizeof(ProjectStore), members.size() >= 4096);
    if (!storeMemory.get()) return {"not enough memory for the entry table"};
    std::unique_ptr<ProjectStore, void (*)(ProjectStore*)> store(new (storeMemory.get())
                                                                     ProjectStore(ProjectStore::ZeroFilled{}),
                                                                 [](ProjectStore* p) { p->~ProjectStore(); });
    for (const Member& m : members)
        store->RegisterEntry(m.path.c_str(), m.index);
    store->SetHeaderNameMode(options.nameMode);
    store->UpdateNameOffsets();
    const char* prefix = options.prefix.empty() ? nullptr : options.prefix.c_str();

    std::vector<std::string> problems;
    char countName[kNumFilesNameSize];
    makeNumFilesName(options.archive.c_str(), countName);
    if (std::string why = identifierProblem(countName); !why.empty())
        problems.push_back("the entry-count name " + why);

    std::map<std::string, std::vector<const Member*>> byId;
    for (const Member& m : members) {
        const EntrySlot* slot = store->GetSlot(m.index);
        if (!slot || !slot->used) continue;
        // The build trims a trailing control byte from the path before it spells the FileID.
        char path[kNameBufferSize] = {};
        std::snprintf(path, sizeof path, "%s", slot->path);
        trimControlTail(path);
        char id[kIdBufferSize];
        makeFileId(prefix, path, slot->nameOffset, id);
        byId[id].push_back(&m);
        if (std::string why = identifierProblem(id); !why.empty())
            problems.push_back(member(m) + ": FileID " + why);
        if (std::strcmp(id, countName) == 0)
            problems.push_back(member(m) + ": FileID " + quoted(id) + " equals the entry-count name");
    }
    for (const auto& [id, list] : byId) {
        if (list.size() < 2) continue;
        std::string who;
        for (std::size_t k = 0; k < list.size(); ++k)
            who += (k == 0 ? "" : k + 1 == list.size() ? " and " : ", ") + member(*list[k]);
        problems.push_back("FileID " + quoted(id) + " is shared by " + who);
    }
    return problems;
}
