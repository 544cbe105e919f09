#pragma once
// What this process may do with a file or folder, decided the same way for every
// user. Root passes the kernel's permission checks whatever the mode says, so for
// root a file that nobody may write counts as read-only, and one that nobody may
// read as unreadable: what the user marked stays as marked.
#include <cstddef>
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

// The folder part of `path` with its trailing '/', "./" for a bare name.
std::string folderOf(const std::string& path);

} // namespace platform
