// The settings loader on arbitrary bytes. An image it refuses leaves the block
// exactly as it was; one it accepts is applied as read, except that every folder
// text ends inside its slot. The folder walk and a new selection must then stay
// inside the block whatever the counters say.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "model/project_store.h"

namespace {

constexpr size_t kFoldersAt = 0x014;
constexpr size_t kFolderStride = 4 + kFolderSize;

void check(bool condition) {
    if (!condition) std::abort();
}

bool carriesMagicAndVersion(const uint8_t* data, size_t size) {
    return size >= 8 && std::memcmp(data, "CRVN", 4) == 0 && data[4] == 0x01 && data[5] == 0x00 &&
           data[6] == 0x01 && data[7] == 0x00;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The store is large; one serves every run, and each run compares against its own "before".
    static std::unique_ptr<ProjectStore> store = std::make_unique<ProjectStore>();
    unsigned char before[kSettingsSize];
    store->SaveSettings(before);

    // Exactly the input's bytes, so the sanitiser sees any read past them.
    std::unique_ptr<unsigned char[]> input(new unsigned char[size]);
    if (size) std::memcpy(input.get(), data, size);
    store->LoadSettings(input.get(), size);

    unsigned char after[kSettingsSize];
    store->SaveSettings(after);
    if (size >= kSettingsSize && carriesMagicAndVersion(data, size)) {
        unsigned char expected[kSettingsSize];
        std::memcpy(expected, data, kSettingsSize);
        for (uint32_t i = 0; i < kFolderSlots; ++i)
            expected[kFoldersAt + i * kFolderStride + 4 + kFolderSize - 1] = 0;
        check(std::memcmp(after, expected, kSettingsSize) == 0);
    } else {
        check(std::memcmp(after, before, kSettingsSize) == 0);
    }

    for (const FolderSlot& folder : store->Settings().folders)
        check(strnlen(folder.path, kFolderSize) < kFolderSize);
    if (const char* current = store->GetCurrentFolder()) check(strnlen(current, kFolderSize) < kFolderSize);
    int walked = 0;
    for (const char* p = store->GetFirstFolder(); p; p = store->GetNextFolder())
        check(++walked <= int(kFolderSlots));

    // A selection after a damaged load lands in a slot and becomes the current folder.
    store->SelectFolder(size > 8 ? reinterpret_cast<const char*>(after) + kFoldersAt + 4 : "");
    const char* current = store->GetCurrentFolder();
    check(current != nullptr && store->GetCurrentFolderIndex() < kFolderSlots);
    return 0;
}
