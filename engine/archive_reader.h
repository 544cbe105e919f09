#pragma once
// Reads an archive back without trusting a byte of it: every count, offset and
// size is checked against the real length before it is used, nothing is read or
// allocated beyond what the file holds, and every way the file departs from the
// layout the build job writes is named.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Where the archive's bytes come from: a file, or memory for tests and fuzzing.
class ArchiveSource {
  public:
    virtual ~ArchiveSource() = default;
    virtual uint64_t size() const = 0;
    // Exactly `n` bytes at `offset`, which the caller keeps inside size().
    virtual bool readAt(uint64_t offset, void* buffer, std::size_t n) const = 0;
};

class MemoryArchiveSource : public ArchiveSource {
  public:
    MemoryArchiveSource(const void* data, std::size_t size) : data_(data), size_(size) {}
    uint64_t size() const override { return size_; }
    bool readAt(uint64_t offset, void* buffer, std::size_t n) const override;

  private:
    const void* data_;
    std::size_t size_;
};

struct ArchiveEntry {
    uint32_t offset = 0;
    uint32_t size = 0;
};

// The fields of one attribute record. `name` holds the bytes before the first
// zero of the 32-byte field.
struct MemberRecord {
    std::string name;
    uint16_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    bool hasDate() const { return year || month || day || hour || minute || second; }
};

struct ArchiveProblem {
    int64_t index; // -1 when the problem is not one member's
    std::string text;
};

constexpr int64_t kInferAlignment = -1;

class ArchiveReader {
  public:
    // Reads and checks the archive. False, with `error` set, only when the file
    // is not an archive whose table of contents can be read at all (empty, too
    // short, foreign magic, impossible entry count); every other departure from
    // the layout lands in problems(). `alignment` is a byte count, or
    // kInferAlignment to take the one the layout fits.
    bool open(const ArchiveSource& source, int64_t alignment, std::string* error);

    uint32_t entryCount() const { return static_cast<uint32_t>(entries_.size()); }
    uint32_t locatorOffset() const { return locatorOffset_; }
    uint32_t locatorSize() const { return locatorSize_; }
    const ArchiveEntry& entry(uint32_t index) const { return entries_[index]; }
    bool isUsed(uint32_t index) const { return used_[index] != 0; }
    // The member's data lies inside the file and shares no byte with another's.
    bool isReadable(uint32_t index) const { return readable_[index] != 0; }
    // Null when the attribute table could not be read.
    const MemberRecord* record(uint32_t index) const;
    std::vector<uint32_t> usedIndexes() const;

    uint32_t alignment() const { return alignment_; }
    bool alignmentInferred() const { return inferred_; }
    bool isSound() const { return problems_.empty(); }
    const std::vector<ArchiveProblem>& problems() const { return problems_; }

    // Hands the member's data to `sink` in pieces of at most 1 MiB; stops when the
    // sink returns false. False when the member is not readable or a read fails.
    bool readMember(uint32_t index, const std::function<bool(const unsigned char*, std::size_t)>& sink,
                    std::string* error) const;

  private:
    const ArchiveSource* source_ = nullptr;
    uint64_t fileSize_ = 0;
    std::vector<ArchiveEntry> entries_;
    std::vector<unsigned char> used_, readable_;
    std::vector<MemberRecord> records_;
    uint32_t locatorOffset_ = 0, locatorSize_ = 0;
    uint32_t alignment_ = 0;
    bool inferred_ = false;
    std::vector<ArchiveProblem> problems_;

    uint32_t inferAlignment() const;
    uint64_t placedEntries(uint32_t alignment) const;
    void checkPlacement();
    void readAttributeTable();
    void checkRecords(const std::vector<unsigned char>& table);
    // Offset of the first non-zero byte in [from, to), clipped to the file; -1 when all are zero.
    int64_t firstNonZero(uint64_t from, uint64_t to) const;
    uint32_t headerWord(uint32_t k) const;
    void problem(int64_t index, std::string text) { problems_.push_back({index, std::move(text)}); }
};
