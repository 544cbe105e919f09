#pragma once
// The lists opened or saved last, newest first, kept in a small text file beside the
// settings file: one absolute path per line.
#include <string>
#include <vector>

class RecentLists {
  public:
    static constexpr size_t kMaxLists = 4;

    const std::vector<std::string>& Paths() const { return paths_; }
    // Puts `path` first; an older mention goes, and so does a fifth list. A path that
    // no line can hold (empty, or with a line feed or carriage return) is not kept.
    void Add(const std::string& path);
    // Forgets `path` (a list that is gone); false when it was not kept.
    bool Remove(const std::string& path);

    // The file's text, and back; lines beyond the fourth and empty ones are ignored.
    std::string ToText() const;
    void FromText(const std::string& text);

    // A missing or unreadable file gives an empty list; false when nothing was read.
    bool Load(const std::string& file);
    // False with `error` set when the file could not be replaced; its folder is made
    // when missing.
    bool Save(const std::string& file, std::string* error) const;

  private:
    std::vector<std::string> paths_;
};

// The file "Corvane-recent.txt" in the folder of `settingsFile`; "" when that is "".
std::string RecentListsFileBeside(const std::string& settingsFile);
