#include "model/project_store.h"

#include <cstring>

ProjectStore::ProjectStore()
    : settings_(), entries_(), archiveName_(), headerName_(), logName_(), alignment_(kDefaultAlignment),
      fileIdPrefix_(), selPosition_(0), selCount_(0), selFirstSlot_(0), jumpIndex_(0) {
    InitSettings();
}

ProjectStore::~ProjectStore() = default;

void ProjectStore::InitSettings() {
    std::memset(&settings_, 0, sizeof settings_);
    std::memcpy(settings_.magic, kSettingsMagic, sizeof settings_.magic);
    settings_.version = kSettingsVersion;
}

void ProjectStore::GetSelection(uint32_t* position, uint32_t* count) const {
    if (position) *position = selPosition_;
    if (count) *count = selCount_;
}

void ProjectStore::SetSelection(uint32_t position, uint32_t count) {
    selPosition_ = position;
    selCount_ = count;
}

ProjectStore* GetProjectStore() {
    // Far too large for any stack; one instance lives for the whole process.
    static ProjectStore store;
    return &store;
}
