#pragma once
// The one project record: persistent settings, the 65535-slot entry table,
// the build options of the next build and the selection words that the list
// and the editing commands pass to each other. Fixed arrays only.
#include <cstddef>
#include <cstdint>

#include "engine/build_job.h"

constexpr uint32_t kSlotCount = 65535; // indexes 0 to 65534
constexpr uint32_t kPathSize = 260;    // at most 259 characters
constexpr uint32_t kFolderSize = 256;  // at most 255 characters
constexpr uint32_t kFolderSlots = 10;
constexpr size_t kSettingsSize = 2628;
constexpr uint32_t kSettingsVersion = 0x10001;
constexpr char kSettingsMagic[4] = {'C', 'R', 'V', 'N'};
constexpr uint32_t kNoSlot = 0xFFFFFFFFu; // item data of a gap row

enum HeaderNameMode : uint32_t { OnlyFileName = 0, CutOverlapping = 1, FullPath = 2 };

struct EntrySlot {
    uint32_t used;
    char path[kPathSize];
    uint32_t nameOffset;
};

struct FolderSlot {
    uint32_t used;
    char path[kFolderSize];
};

struct SettingsBlock {
    char magic[4];
    uint32_t version;
    uint32_t folderCount;
    uint32_t currentFolder;
    uint32_t folderCursor;
    FolderSlot folders[kFolderSlots];
    uint32_t reserved;
    uint32_t headerNameMode;
};
static_assert(sizeof(SettingsBlock) == kSettingsSize, "the settings block is saved byte for byte");

class ProjectStore {
  public:
    // For storage that holds only zero bytes already (static storage, a fresh
    // mapping): the 17.5 MB table is then left alone instead of cleared, so its
    // pages are only touched where entries are written.
    struct ZeroFilled {};

    ProjectStore();
    explicit ProjectStore(ZeroFilled);
    virtual ~ProjectStore();
    ProjectStore(const ProjectStore&) = delete;
    ProjectStore& operator=(const ProjectStore&) = delete;

    // Entry table. Indexes outside 0..65534 are refused (0 / null) and touch nothing.
    bool RegisterEntry(const char* path, uint32_t index);
    char* GetEntryPath(uint32_t index);
    const char* GetEntryPath(uint32_t index) const;
    const EntrySlot* GetSlot(uint32_t index) const;
    bool ClearEntry(uint32_t index);
    uint32_t GetEntryEnd() const;
    uint32_t CountEntries() const;
    bool MoveEntries(uint32_t source, uint32_t target, uint32_t count);

    // Selection words.
    void GetSelection(uint32_t* position, uint32_t* count) const;
    void SetSelection(uint32_t position, uint32_t count);
    uint32_t GetSelFirstSlot() const { return selFirstSlot_; }
    void SetSelFirstSlot(uint32_t index) { selFirstSlot_ = index; }
    uint32_t GetJumpIndex() const { return jumpIndex_; }
    void SetJumpIndex(uint32_t index) { jumpIndex_ = index; }

    // Settings block. `image` holds kSettingsSize bytes in file order (little-endian).
    // LoadSettings applies the first kSettingsSize bytes of an image when there are at least
    // that many and they begin with our magic and version; what follows them is not looked at.
    // A shorter image is ignored: the rest of its block would be unknown.
    // Loaded folder paths are forced to end inside their 256 bytes; other values stay as read.
    void LoadSettings(const unsigned char* image, size_t size = kSettingsSize);
    static bool IsSettingsImage(const unsigned char* image, size_t size);
    void SaveSettings(unsigned char* image) const;
    const SettingsBlock& Settings() const { return settings_; }
    uint32_t GetFolderCount() const { return settings_.folderCount; }
    uint32_t GetCurrentFolderIndex() const { return settings_.currentFolder; }
    const char* GetCurrentFolder() const;
    const char* GetFirstFolder();
    const char* GetNextFolder();
    bool SelectFolder(const char* path);
    uint32_t GetHeaderNameMode() const { return settings_.headerNameMode; }
    void SetHeaderNameMode(uint32_t mode) { settings_.headerNameMode = mode; }

    // Build options. The name getters append their default extension (kept stored)
    // unless HasExtension says the name already carries it; they never return null.
    const char* GetArchiveName();
    void SetArchiveName(const char* name);
    const char* GetHeaderName();
    void SetHeaderName(const char* name);
    const char* GetLogName();
    void SetLogName(const char* name);
    uint32_t GetAlignment() const { return alignment_; }
    void SetAlignment(uint32_t value) { alignment_ = value; }
    const char* GetFileIdPrefix() const; // null when empty
    void SetFileIdPrefix(const char* prefix);
    static bool HasExtension(const char* name, const char* extension);

    // Header-name modes. A mode outside 0..2 counts as OnlyFileName.
    void UpdateNameOffsets();
    static uint32_t FileNameOffset(const char* path); // behind the last separator; 0 without one; ~0u for ""

    // Recomputes the name offsets, then fills `list` with one record per used slot
    // in index order. `highest` receives the highest used index. Returns the count.
    uint32_t MakeBuildList(BuildRecord* list, uint16_t* highest);

  private:
    SettingsBlock settings_;
    EntrySlot entries_[kSlotCount];
    char archiveName_[kPathSize];
    char headerName_[kPathSize];
    char logName_[kPathSize];
    uint32_t alignment_;
    char fileIdPrefix_[kFolderSize];
    uint32_t selPosition_;
    uint32_t selCount_;
    uint32_t selFirstSlot_;
    uint32_t jumpIndex_;
    // No slot at or above this index has been used since the table was cleared:
    // scans stop here instead of walking 17.5 MB for a few entries.
    uint32_t slotBound_;

    EntrySlot* SlotsEnd() { return entries_ + slotBound_; }
    const EntrySlot* SlotsEnd() const { return entries_ + slotBound_; }
    void InitSettings();
    void UpdateOnlyFileName();
    void UpdateCutOverlapping();
    void UpdateFullPath();
};

ProjectStore* GetProjectStore();

// The steps shared by the window's Start and `bxa pack` once the job exists:
// build list, entry count, list, names, prefix, alignment, jobStart.
// Null names are not passed on. Returns the number of members (0 means nothing to
// build; the job is then not touched and not started).
uint32_t PrepareBuildJob(ProjectStore* store, BuildJob* job, BuildRecord* list, const char* headerName,
                         const char* logName);
