#pragma once
// The list file that the window opens and saves and `bxa pack -l` reads: one member
// per line, INDEX<TAB>PATH (INDEX 0 to 65534) or a bare PATH, which takes the index
// after the previous line's. Blank lines and lines starting with '#' are skipped; a
// line may end in LF or CR LF; a UTF-8 byte-order mark at the start is skipped.
// A relative PATH names a file relative to the folder of the list file.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class ProjectStore;

struct ListEntry {
    uint32_t index;
    std::string path; // resolved against the list's folder
    uint32_t line;    // 1-based, for messages
};

// The folder that relative paths of the list `listPath` are resolved against, as
// written: "" for a list named without a folder (paths then stay as written).
std::string ListFolder(const std::string& listPath);

// `listPath` made absolute against the current folder, "." and ".." folded away.
std::string AbsoluteListPath(const std::string& listPath);

// The name a list is saved under when the user chose the list-file filter: ".lst" is
// added to a file name that has no extension of its own ("game" gives "game.lst";
// "game.txt", "game.lst" and ".hidden.lst" stay). A name that ends in a separator
// names no file and stays as it is.
std::string WithListExtension(const std::string& listPath);

// Parses list text already in memory. `listName` only labels the messages
// ("NAME:LINE: reason"); relative paths are joined to `folder` unless it is empty.
// Indexes are range- and duplicate-checked and every path must fit a slot; the files
// themselves are not looked at. False with `error` set at the first problem.
bool ParseList(const std::string& text, const std::string& listName, const std::string& folder,
               std::vector<ListEntry>* out, std::string* error);

// Reads the whole list file (a regular file only), then parses it against its folder
// made absolute: every entry is then an absolute path, the same wherever the list was
// named from, so a build from it spells the same full-path names in the window and in bxa.
// Messages name the list as `listPath` gives it.
bool ReadList(const std::string& listPath, std::vector<ListEntry>* out, std::string* error);

// The same, handing each entry to `take` as soon as it is parsed, so a list of tens of
// thousands of members never exists twice in memory. `take` may refuse an entry by
// returning false with `error` set; parsing then stops.
using ListVisitor = std::function<bool(ListEntry&& entry, std::string* error)>;
bool ParseList(const std::string& text, const std::string& listName, const std::string& folder,
               const ListVisitor& take, std::string* error);
bool ReadList(const std::string& listPath, const ListVisitor& take, std::string* error);

// One INDEX<TAB>PATH line per used slot, in index order, for a list that lives in the
// absolute folder `folder`: a path below it is written relative to it, any other path
// absolute. False with `error` naming the index of a path no line can hold.
bool FormatList(const ProjectStore& store, const std::string& folder, std::string* text, std::string* error);

// Empties the entry table, then registers every entry (which ParseList has checked).
void ReplaceEntries(ProjectStore* store, const std::vector<ListEntry>& entries);
