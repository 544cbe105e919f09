#include "gui_test_util.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <utime.h>

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "corvane-gui-XXXXXX").string();
    char* made = mkdtemp(pattern.data());
    path_ = made ? made : "";
}

TempDir::~TempDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
}

std::string TempDir::AddFile(const std::string& name, size_t size, long long mtime) {
    std::string path = path_ + "/" + name;
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        for (size_t i = 0; i < size; ++i)
            std::fputc('x', f);
        std::fclose(f);
    }
    if (mtime != 0) {
        struct utimbuf times {};
        times.actime = static_cast<time_t>(mtime);
        times.modtime = static_cast<time_t>(mtime);
        utime(path.c_str(), &times);
    }
    return path;
}
