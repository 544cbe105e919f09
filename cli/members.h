#pragma once
// Where the members of `bxa pack` come from and the checks they pass before
// anything is written.
#include <cstdint>
#include <string>
#include <vector>

struct Member {
    uint32_t index;
    std::string path; // exactly as written
    // Where the member was named, for messages: line `line` of the list file `list`
    // (which outlives the members), or FILE argument number `line` when `list` is null.
    const std::string* list = nullptr;
    uint32_t line = 0;
    uint64_t size = 0; // filled by checkMembers, with the file's identity
    uint64_t device = 0;
    uint64_t inode = 0;

    std::string where() const; // "LIST:LINE" or "argument N"
};

// Reads the list file (model/list_file.h): its relative paths resolve against its folder.
// "-" reads the list from standard input, named "standard input" in messages, with
// relative paths left relative to the current folder.
bool membersFromList(const std::string& listPath, std::vector<Member>* out, std::string* error);

// FILE arguments take the indexes 0, 1, 2...
bool membersFromArguments(const std::vector<std::string>& files, std::vector<Member>* out,
                          std::string* error);

// Every member must be a readable regular file whose path fits a slot; fills the sizes.
// Then sorts the members by index. False with `error` set at the first problem.
bool checkMembers(std::vector<Member>* members, std::string* error);
