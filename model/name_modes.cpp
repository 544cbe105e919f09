#include <cstring>

#include "model/project_store.h"
#include "platform/path.h"

uint32_t ProjectStore::FileNameOffset(const char* path) {
    if (!path || path[0] == '\0') return ~0u;
    const char* slash = std::strrchr(path, platform::kPathSeparator);
    return slash ? static_cast<uint32_t>(slash - path + 1) : 0;
}

void ProjectStore::UpdateOnlyFileName() {
    for (EntrySlot* slot = entries_; slot != SlotsEnd(); ++slot) {
        if (!slot->used) continue;
        const uint32_t offset = FileNameOffset(slot->path);
        // An empty path has no name behind a separator; pointing at its terminator keeps the name inside it.
        slot->nameOffset = offset == ~0u ? 0 : offset;
    }
}

void ProjectStore::UpdateCutOverlapping() {
    // The first three characters are the drive part and are never compared.
    constexpr uint32_t kFirstCompared = 3;
    const EntrySlot* first = nullptr;
    for (const EntrySlot* slot = entries_; slot != SlotsEnd(); ++slot) {
        if (slot->used) {
            first = slot;
            break;
        }
    }
    if (!first) return;

    // The cut is where any used path first differs from the lowest one, or the end
    // of the lowest one. Terminators differ from characters, so shorter paths stop it.
    uint32_t cut = static_cast<uint32_t>(strnlen(first->path, kPathSize - 1));
    if (cut < kFirstCompared) cut = kFirstCompared;
    for (const EntrySlot* slot = first + 1; slot != SlotsEnd() && cut > kFirstCompared; ++slot) {
        if (!slot->used) continue;
        for (uint32_t k = kFirstCompared; k < cut; ++k) {
            if (slot->path[k] != first->path[k]) {
                cut = k;
                break;
            }
        }
    }
    for (EntrySlot* slot = entries_; slot != SlotsEnd(); ++slot)
        if (slot->used) slot->nameOffset = cut;
}

void ProjectStore::UpdateFullPath() {
    for (EntrySlot* slot = entries_; slot != SlotsEnd(); ++slot)
        if (slot->used) slot->nameOffset = 0;
}

void ProjectStore::UpdateNameOffsets() {
    using Update = void (ProjectStore::*)();
    static constexpr Update kByMode[] = {&ProjectStore::UpdateOnlyFileName,
                                         &ProjectStore::UpdateCutOverlapping, &ProjectStore::UpdateFullPath};
    // A mode from a foreign settings file falls back to the initial one.
    const uint32_t mode = settings_.headerNameMode;
    (this->*kByMode[mode < 3 ? mode : OnlyFileName])();
}
