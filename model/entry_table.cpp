#include <cstring>

#include "model/project_store.h"

namespace {

bool InTable(uint64_t first, uint64_t count) {
    return first < kSlotCount && first + count <= kSlotCount;
}

} // namespace

bool ProjectStore::RegisterEntry(const char* path, uint32_t index) {
    if (!path || index >= kSlotCount) return false;
    const size_t length = strnlen(path, kPathSize);
    if (length >= kPathSize) return false;
    EntrySlot& slot = entries_[index];
    if (slot.used) return false;
    slot.used = 1;
    if (index >= slotBound_) slotBound_ = index + 1;
    // Zero behind the terminator: the common-prefix scan compares whole slots byte by byte.
    std::memset(slot.path, 0, sizeof slot.path);
    std::memcpy(slot.path, path, length);
    return true;
}

char* ProjectStore::GetEntryPath(uint32_t index) {
    if (index >= kSlotCount || !entries_[index].used) return nullptr;
    return entries_[index].path;
}

const char* ProjectStore::GetEntryPath(uint32_t index) const {
    if (index >= kSlotCount || !entries_[index].used) return nullptr;
    return entries_[index].path;
}

const EntrySlot* ProjectStore::GetSlot(uint32_t index) const {
    return index < kSlotCount ? &entries_[index] : nullptr;
}

bool ProjectStore::ClearEntry(uint32_t index) {
    if (index >= kSlotCount || !entries_[index].used) return false;
    std::memset(&entries_[index], 0, sizeof(EntrySlot));
    return true;
}

uint32_t ProjectStore::GetEntryEnd() const {
    uint32_t end = slotBound_;
    while (end > 0 && !entries_[end - 1].used)
        --end;
    return end;
}

uint32_t ProjectStore::CountEntries() const {
    uint32_t count = 0;
    for (const EntrySlot* slot = entries_; slot != SlotsEnd(); ++slot)
        if (slot->used) ++count;
    return count;
}

bool ProjectStore::MoveEntries(uint32_t source, uint32_t target, uint32_t count) {
    // Selections that start on a gap row and targets typed past the end arrive here
    // with indexes the table does not have; they must not move anything.
    if (count == 0) return true; // an empty block moves nowhere, wherever it is
    if (!InTable(source, count) || !InTable(target, count)) return false;
    for (uint32_t k = 0; k < count; ++k)
        if (entries_[target + k].used) return false;
    if (target + count > slotBound_) slotBound_ = target + count;

    auto moveOne = [this, source, target](uint32_t k) {
        if (source + k == target + k) return;
        entries_[target + k] = entries_[source + k];
        std::memset(&entries_[source + k], 0, sizeof(EntrySlot));
    };
    // A target that starts inside the block would overwrite slots not yet moved
    // when walking upwards, so that case walks from the top.
    if (source < target && target < source + count) {
        for (uint32_t k = count; k-- > 0;)
            moveOne(k);
    } else {
        for (uint32_t k = 0; k < count; ++k)
            moveOne(k);
    }
    return true;
}
