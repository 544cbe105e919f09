#include "model/recent_lists.h"

#include <algorithm>
#include <filesystem>

#include "model/text_file.h"
#include "platform/file_replace.h"

std::string RecentListsFileBeside(const std::string& settingsFile) {
    if (settingsFile.empty()) return "";
    return (std::filesystem::path(settingsFile).parent_path() / "Corvane-recent.txt").string();
}

void RecentLists::Add(const std::string& path) {
    if (path.empty() || path.find_first_of("\r\n") != std::string::npos) return;
    paths_.erase(std::remove(paths_.begin(), paths_.end(), path), paths_.end());
    paths_.insert(paths_.begin(), path);
    if (paths_.size() > kMaxLists) paths_.resize(kMaxLists);
}

bool RecentLists::Remove(const std::string& path) {
    const auto kept = std::find(paths_.begin(), paths_.end(), path);
    if (kept == paths_.end()) return false;
    paths_.erase(kept);
    return true;
}

std::string RecentLists::ToText() const {
    std::string text;
    for (const std::string& path : paths_)
        text += path + "\n";
    return text;
}

void RecentLists::FromText(const std::string& text) {
    paths_.clear();
    size_t begin = 0;
    while (begin < text.size() && paths_.size() < kMaxLists) {
        size_t end = text.find('\n', begin);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(begin, end - begin);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        begin = end + 1;
        if (!line.empty() && std::find(paths_.begin(), paths_.end(), line) == paths_.end())
            paths_.push_back(std::move(line));
    }
}

bool RecentLists::Load(const std::string& file) {
    paths_.clear();
    std::string text, error;
    // Four paths of a few hundred bytes each; anything longer is not ours.
    if (!ReadRegularFile(file, 4096, &text, &error)) return false;
    FromText(text);
    return true;
}

bool RecentLists::Save(const std::string& file, std::string* error) const {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(file).parent_path(), ec);
    const std::string text = ToText();
    const platform::ReplaceResult result = platform::replaceFile(file, text.data(), text.size());
    if (!result.ok()) *error = result.reason;
    return result.ok();
}
