#pragma once
// What this process may do with a file or folder, decided the same way for every
// user. Root passes the kernel's permission checks whatever the mode says, so for
// root a file that nobody may write counts as read-only, and one that nobody may
// read as unreadable: what the user marked stays as marked.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace platform {

enum class PathKind { Missing, RegularFile, Folder, Other };

// What sits at `path`, following links; Missing also when the path cannot be looked at.
PathKind pathKind(const std::string& path);

// A regular file that this process may both read and write.
bool fileIsReadWrite(const std::string& path);

// A folder in which this process may create, rename and remove entries.
bool folderIsWritable(const std::string& path);

// Reads at most `size` bytes from the start of a regular file into `buffer` and gives
// the count, or -1 when it is not a regular file or may not be read (as above) or a
// read fails. Never blocks on a FIFO or device.
long readFileStart(const std::string& path, unsigned char* buffer, size_t size);

// Reads at most `limit` bytes of a regular file without ever waiting: a FIFO or device
// is refused rather than waited on. False with `why` set: "is a folder, not a file",
// "not a regular file" or the system's reason.
bool readRegularFile(const std::string& path, std::size_t limit, std::string* text, std::string* why);

// The folder part of `path` with its trailing '/', "./" for a bare name.
std::string folderOf(const std::string& path);

// Files as the engine and the command line see them: opened and read with the C
// library, looked at and moved through the system where that is cheaper.
// fopen whose file no child process inherits.
std::FILE* openFile(const char* path, const char* mode);

// Whether the stream writes to a terminal (progress lines are drawn only there).
bool isTerminal(std::FILE* f);

struct FileFacts {
    enum class Kind { Regular, Folder, Other };
    Kind kind = Kind::Other;
    uint64_t size = 0;
    // Together they name the file, whichever path leads to it.
    uint64_t device = 0;
    uint64_t id = 0;
    int64_t lastWrite = -1; // seconds since the epoch
    bool readable = false;
    std::string whyUnreadable; // the system's reason when not readable
};

// Looks paths up; keeps the folder of the last lookup at hand, so a list of thousands
// of files in a few folders costs one short lookup per file.
class FileLookup {
  public:
    FileLookup() = default;
    ~FileLookup();
    FileLookup(const FileLookup&) = delete;
    FileLookup& operator=(const FileLookup&) = delete;

    // False with `error` holding the system's reason when the path leads nowhere.
    bool find(const std::string& path, FileFacts* out, std::string* error);

  private:
    std::string folder_;
    int folderFd_ = -1;
};

} // namespace platform
