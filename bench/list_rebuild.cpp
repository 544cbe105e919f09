// Times the file list's rebuild over a full table of 65,535 small files against the
// floor it cannot beat: one open, fstat and close per file.
//
//   list_rebuild [DIR] [ROUNDS]
//
// DIR (default: a new folder under the temporary folder, removed afterwards) receives
// the files. Each figure is the median of ROUNDS (default 9) runs, taken alternately,
// with the best beside it.
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

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double Best(const std::vector<double>& v) {
    return *std::min_element(v.begin(), v.end());
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
    int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 9;

    std::vector<std::string> paths;
    if (!MakeFiles(dir, &paths)) {
        std::fprintf(stderr, "list_rebuild: cannot create the files in %s\n", dir.c_str());
        return 1;
    }
    ProjectStore* store = GetProjectStore();
    for (uint32_t i = 0; i < kSlotCount; ++i)
        store->RegisterEntry(paths[i].c_str(), i);

    std::vector<double> floorTimes, rebuildTimes;
    std::vector<ListRow> rows;
    rows.reserve(kSlotCount);
    size_t opened = 0;
    auto timeFloor = [&] {
        auto t0 = Clock::now();
        opened = 0;
        for (const std::string& path : paths) {
            platform::FileStatus st;
            if (platform::readOpenedFileStatus(path.c_str(), &st)) ++opened;
        }
        floorTimes.push_back(Seconds(t0));
    };
    auto timeRebuild = [&] {
        auto t0 = Clock::now();
        BuildListRows(*store, &rows);
        rebuildTimes.push_back(Seconds(t0));
    };
    // Alternating which goes first keeps a slow spell of the machine from favouring either.
    for (int r = 0; r < rounds; ++r) {
        if (r % 2) {
            timeRebuild();
            timeFloor();
        } else {
            timeFloor();
            timeRebuild();
        }
    }

    std::printf("files:             %u (%zu opened, %zu rows)\n", kSlotCount, opened, rows.size());
    std::printf("                    median ms   best ms\n");
    std::printf("open+fstat floor:  %10.1f %9.1f\n", Median(floorTimes) * 1e3, Best(floorTimes) * 1e3);
    std::printf("list rebuild:      %10.1f %9.1f\n", Median(rebuildTimes) * 1e3, Best(rebuildTimes) * 1e3);
    std::printf("ratio:             %10.2f %9.2f\n", Median(rebuildTimes) / Median(floorTimes),
                Best(rebuildTimes) / Best(floorTimes));

    if (ownDir) {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    return rows.size() == kSlotCount ? 0 : 1;
}
