// Times the file list's rebuild over a full table of 65,535 small files against the
// floor it cannot beat: one open, fstat and close per file.
//
//   list_rebuild [DIR] [ROUNDS]
//
// DIR (default: a new folder under the temporary folder, removed afterwards) receives
// the files. Each figure is the best of ROUNDS (default 5) runs, taken alternately.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/list_rows.h"
#include "model/project_store.h"
#include "platform/file_time.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from) {
    return std::chrono::duration<double>(Clock::now() - from).count();
}

bool MakeFiles(const std::string& dir, std::vector<std::string>* paths) {
    paths->reserve(kSlotCount);
    for (uint32_t i = 0; i < kSlotCount; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/m%05u.qsd", i);
        std::string path = dir + name;
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (!f) return false;
        std::fprintf(f, "%u\n", i);
        std::fclose(f);
        paths->push_back(path);
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    bool ownDir = argc < 2;
    std::string dir;
    if (ownDir) {
        std::string pattern = (std::filesystem::temp_directory_path() / "corvane-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data())) {
            std::perror("mkdtemp");
            return 1;
        }
        dir = pattern;
    } else {
        dir = argv[1];
        std::filesystem::create_directories(dir);
    }
    int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;

    std::vector<std::string> paths;
    if (!MakeFiles(dir, &paths)) {
        std::fprintf(stderr, "list_rebuild: cannot create the files in %s\n", dir.c_str());
        return 1;
    }
    ProjectStore* store = GetProjectStore();
    for (uint32_t i = 0; i < kSlotCount; ++i)
        store->RegisterEntry(paths[i].c_str(), i);

    double floorBest = 1e9, rebuildBest = 1e9;
    std::vector<ListRow> rows;
    rows.reserve(kSlotCount);
    size_t opened = 0;
    for (int r = 0; r < rounds; ++r) {
        auto t0 = Clock::now();
        opened = 0;
        for (const std::string& path : paths) {
            platform::FileStatus st;
            if (platform::readOpenedFileStatus(path.c_str(), &st)) ++opened;
        }
        floorBest = std::min(floorBest, Seconds(t0));

        t0 = Clock::now();
        BuildListRows(*store, &rows);
        rebuildBest = std::min(rebuildBest, Seconds(t0));
    }

    std::printf("files:             %u (%zu opened, %zu rows)\n", kSlotCount, opened, rows.size());
    std::printf("open+fstat floor:  %8.1f ms\n", floorBest * 1e3);
    std::printf("list rebuild:      %8.1f ms\n", rebuildBest * 1e3);
    std::printf("ratio:             %8.2f\n", rebuildBest / floorBest);

    if (ownDir) {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    return rows.size() == kSlotCount ? 0 : 1;
}
