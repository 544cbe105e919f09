#include "model/project_store.h"

uint32_t ProjectStore::MakeBuildList(BuildRecord* list, uint16_t* highest) {
    UpdateNameOffsets();
    uint32_t count = 0;
    uint32_t last = 0;
    for (uint32_t i = 0; i < slotBound_; ++i) {
        EntrySlot& slot = entries_[i];
        if (!slot.used) continue;
        if (list) list[count] = BuildRecord{i, slot.nameOffset, slot.path};
        ++count;
        last = i;
    }
    if (highest) *highest = static_cast<uint16_t>(last);
    return count;
}

uint32_t PrepareBuildJob(ProjectStore* store, BuildJob* job, BuildRecord* list, const char* headerName,
                         const char* logName) {
    if (!store || !job || !list) return 0;
    uint16_t highest = 0;
    const uint32_t count = store->MakeBuildList(list, &highest);
    if (count == 0) return 0;
    jobSetEntryCount(job, uint32_t(highest) + 1);
    jobSetList(job, list, count);
    if (headerName) jobSetHeaderName(job, headerName);
    if (logName) jobSetLogName(job, logName);
    if (const char* prefix = store->GetFileIdPrefix()) jobSetPrefix(job, prefix);
    const uint32_t alignment = store->GetAlignment();
    if (alignment != kDefaultAlignment) jobSetAlignment(job, alignment);
    jobStart(job);
    return count;
}
