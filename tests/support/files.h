#pragma once
// Files for the tests of both suites: a folder of their own and whole files in and out.
#include <cstddef>
#include <cstdint>
#include <string>

namespace testsupport {

// A fresh, empty folder under the system's temporary folder, removed with everything in
// it. Tests of several checkouts may run at once: each folder gets a name of its own.
struct TempDir {
    std::string path;
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string operator/(const std::string& name) const { return path + "/" + name; }
    // Writes `bytes` to `name`, in place of whatever stood there, a FIFO too; gives its path.
    std::string put(const std::string& name, const std::string& bytes) const;
};

// The whole file; empty when it cannot be read.
std::string readFile(const std::string& path);
// Creates the folders on the way and replaces the file's bytes.
void writeFile(const std::string& path, const std::string& data);

// Different for every position and seed, so misplaced or mixed-up data shows; quick at any size.
std::string content(size_t n, uint32_t seed);

} // namespace testsupport
