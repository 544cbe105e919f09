#include "model/project_store.h"

#include <cstring>

#include "platform/memory.h"

ProjectStore::ProjectStore()
    : settings_(), archiveName_(), headerName_(), logName_(), alignment_(kDefaultAlignment), fileIdPrefix_(),
      selPosition_(0), selCount_(0), selFirstSlot_(0), jumpIndex_(0), slotBound_(0) {
    // The table is 17.5 MB: clearing it page by page would cost thousands of faults
    // at every start, so it asks for large pages before it is cleared.
    platform::adviseLargePages(entries_, sizeof entries_);
    std::memset(entries_, 0, sizeof entries_);
    InitSettings();
}

ProjectStore::ProjectStore(ZeroFilled)
    : settings_(), archiveName_(), headerName_(), logName_(), alignment_(kDefaultAlignment), fileIdPrefix_(),
      selPosition_(0), selCount_(0), selFirstSlot_(0), jumpIndex_(0), slotBound_(0) {
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
    static ProjectStore store{ProjectStore::ZeroFilled{}};
    return &store;
}
