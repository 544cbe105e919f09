#pragma once
// The rows of the file list, computed from the entry table without any window,
// so the list control only has to show them and the benchmark can time them.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/file_time.h"

class ProjectStore;

enum ListColumn : int { ColIndex = 0, ColFilename, ColPath, ColSize, ColDate, ColCount };

struct ListRow {
    uint32_t slot = 0xFFFFFFFFu; // the slot a file row stands for; all bits set for a gap row
    uint32_t size = 0;           // low 32 bits of the file size
    bool hasDate = false;
    platform::LocalTime date;
    std::string path; // the registered path as it was opened
    size_t nameStart = 0;

    bool IsGap() const { return slot == 0xFFFFFFFFu; }
};

// Reads every used slot below the end of the table and opens its file once.
// A file that cannot be opened gets no row; each run of empty slots becomes one gap row.
void BuildListRows(const ProjectStore& store, std::vector<ListRow>* rows);

// Text of one cell, as the list shows it. A gap row is blank in every column.
std::string ListRowText(const ListRow& row, int column);
