#include <cstring>

#include "engine/little_endian.h"
#include "model/project_store.h"

namespace {

// Field offsets of the saved image.
constexpr size_t kVersionAt = 0x004;
constexpr size_t kFolderCountAt = 0x008;
constexpr size_t kCurrentFolderAt = 0x00C;
constexpr size_t kFolderCursorAt = 0x010;
constexpr size_t kFoldersAt = 0x014;
constexpr size_t kFolderStride = 4 + kFolderSize;
constexpr size_t kReservedAt = 0xA3C;
constexpr size_t kHeaderNameModeAt = 0xA40;
static_assert(kFoldersAt + kFolderSlots * kFolderStride == kReservedAt,
              "folder slots end at the reserved word");
static_assert(kHeaderNameModeAt + 4 == kSettingsSize, "the mode is the last word");

// Folder texts are at most 255 characters; a longer one keeps its first 255.
size_t FolderTextLength(const char* path) {
    return strnlen(path, kFolderSize - 1);
}

} // namespace

bool ProjectStore::IsSettingsImage(const unsigned char* image, size_t size) {
    return image && size >= kSettingsSize && std::memcmp(image, kSettingsMagic, sizeof kSettingsMagic) == 0 &&
           loadU32(image + kVersionAt) == kSettingsVersion;
}

void ProjectStore::LoadSettings(const unsigned char* image, size_t size) {
    if (!IsSettingsImage(image, size)) return;
    std::memcpy(settings_.magic, image, sizeof settings_.magic);
    settings_.version = loadU32(image + kVersionAt);
    settings_.folderCount = loadU32(image + kFolderCountAt);
    settings_.currentFolder = loadU32(image + kCurrentFolderAt);
    settings_.folderCursor = loadU32(image + kFolderCursorAt);
    for (uint32_t i = 0; i < kFolderSlots; ++i) {
        const unsigned char* slot = image + kFoldersAt + i * kFolderStride;
        FolderSlot& folder = settings_.folders[i];
        folder.used = loadU32(slot);
        std::memcpy(folder.path, slot + 4, kFolderSize);
        // A file written elsewhere may lack the terminator; every reader relies on it.
        folder.path[kFolderSize - 1] = '\0';
    }
    settings_.reserved = loadU32(image + kReservedAt);
    settings_.headerNameMode = loadU32(image + kHeaderNameModeAt);
}

void ProjectStore::SaveSettings(unsigned char* image) const {
    if (!image) return;
    std::memcpy(image, settings_.magic, sizeof settings_.magic);
    storeU32(image + kVersionAt, settings_.version);
    storeU32(image + kFolderCountAt, settings_.folderCount);
    storeU32(image + kCurrentFolderAt, settings_.currentFolder);
    storeU32(image + kFolderCursorAt, settings_.folderCursor);
    for (uint32_t i = 0; i < kFolderSlots; ++i) {
        unsigned char* slot = image + kFoldersAt + i * kFolderStride;
        storeU32(slot, settings_.folders[i].used);
        std::memcpy(slot + 4, settings_.folders[i].path, kFolderSize);
    }
    storeU32(image + kReservedAt, settings_.reserved);
    storeU32(image + kHeaderNameModeAt, settings_.headerNameMode);
}

const char* ProjectStore::GetCurrentFolder() const {
    const uint32_t current = settings_.currentFolder;
    if (current >= kFolderSlots || !settings_.folders[current].used) return nullptr;
    return settings_.folders[current].path;
}

const char* ProjectStore::GetFirstFolder() {
    settings_.folderCursor = 0;
    return GetNextFolder();
}

const char* ProjectStore::GetNextFolder() {
    for (uint32_t j = settings_.folderCursor; j < kFolderSlots; ++j) {
        if (settings_.folders[j].used) {
            settings_.folderCursor = j + 1;
            return settings_.folders[j].path;
        }
    }
    return nullptr;
}

bool ProjectStore::SelectFolder(const char* path) {
    if (!path) path = "";
    const size_t length = FolderTextLength(path);
    for (uint32_t i = 0; i < kFolderSlots; ++i) {
        const FolderSlot& folder = settings_.folders[i];
        if (folder.used && std::memcmp(folder.path, path, length) == 0 && folder.path[length] == '\0') {
            settings_.currentFolder = i;
            return true;
        }
    }
    uint32_t slot = kFolderSlots - 1;
    bool fresh = false;
    for (uint32_t i = 0; i < kFolderSlots; ++i) {
        if (!settings_.folders[i].used) {
            slot = i;
            fresh = true;
            break;
        }
    }
    FolderSlot& folder = settings_.folders[slot];
    folder.used = 1;
    std::memset(folder.path, 0, sizeof folder.path);
    std::memcpy(folder.path, path, length);
    settings_.currentFolder = slot;
    if (fresh) ++settings_.folderCount;
    return true;
}
