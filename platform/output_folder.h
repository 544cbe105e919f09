#pragma once
// Writes new files into one folder the user named, and nowhere else: names are
// single components, links are never followed, and nothing is replaced unless asked.
#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

class OutputFolder {
  public:
    OutputFolder() = default;
    ~OutputFolder();
    OutputFolder(const OutputFolder&) = delete;
    OutputFolder& operator=(const OutputFolder&) = delete;

    bool open(const std::string& path, std::string* error);

    // Starts the file `name` (one component: no '/', not "." or ".."). Without
    // `replace` an existing name of any kind is refused; with it only a regular
    // file is replaced, and only when commit succeeds.
    bool begin(const std::string& name, bool replace, std::string* error);
    bool write(const void* data, std::size_t n, std::string* error);
    // Sets both file times to `epochSeconds` unless it is negative, then gives
    // the file its name. On failure the partial file is removed.
    bool commit(int64_t epochSeconds, std::string* error);
    void abort();

  private:
#ifdef _WIN32
    std::string folder_; // with its trailing separator
#endif
    int dirFd_ = -1;
    int fileFd_ = -1;
    std::string name_;
    std::string tempName_; // empty when writing under the final name
    unsigned serial_ = 0;
};

} // namespace platform
