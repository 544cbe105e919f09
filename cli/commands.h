#pragma once
// The bxa commands besides pack, and what they share. Each returns the exit status:
// 0 when all holds, 1 when the archive or a comparison fails, 2 on a usage error.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/members.h"
#include "engine/archive_reader.h"
#include "platform/read_only_file.h"

constexpr int kExitOk = 0;
constexpr int kExitDiffers = 1;
constexpr int kExitUsage = 2;

int listCommand(const std::vector<std::string>& args);
int verifyCommand(const std::vector<std::string>& args);
int extractCommand(const std::vector<std::string>& args);

void printListUsage(std::FILE* out);
void printVerifyUsage(std::FILE* out);
void printExtractUsage(std::FILE* out);

// One line naming the problem and the hint to the command's help; returns kExitUsage.
int usageError(const std::string& command, const std::string& message);

class FileArchiveSource : public ArchiveSource {
  public:
    explicit FileArchiveSource(const platform::ReadOnlyFile& file) : file_(file) {}
    uint64_t size() const override { return file_.size(); }
    bool readAt(uint64_t offset, void* buffer, std::size_t n) const override {
        return file_.readAt(offset, buffer, n);
    }

  private:
    const platform::ReadOnlyFile& file_;
};

// An archive file opened and checked.
struct OpenedArchive {
    platform::ReadOnlyFile file;
    FileArchiveSource source{file};
    ArchiveReader reader;
};

// Opens and checks `path` (alignment: bytes or kInferAlignment). False, with the reason
// printed to standard error, when it cannot be read as an archive at all. Otherwise each
// problem is printed to `out` as "PREFIXPATH: problem".
bool openArchive(const std::string& path, int64_t alignment, OpenedArchive* archive, std::FILE* out,
                 const char* linePrefix);

// "YYYY/MM/DD HH:MM:SS" of a record.
std::string recordDate(const MemberRecord& r);
