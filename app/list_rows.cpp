#include "app/list_rows.h"

#include <cstdio>

#include "model/project_store.h"
#include "platform/path.h"

namespace {

// Files copied or written together share their last-write second: its local time is
// worked out once for all of them, not once per row of tens of thousands.
struct LocalTimeCache {
    int64_t seconds = -1;
    bool ok = false;
    platform::LocalTime time;
};

ListRow MakeFileRow(uint32_t slot, const char* path, const platform::FileStatus& st, LocalTimeCache* dates) {
    ListRow row;
    row.slot = slot;
    row.size = static_cast<uint32_t>(st.size);
    if (st.lastWrite != dates->seconds || dates->seconds < 0) {
        dates->seconds = st.lastWrite;
        dates->ok = platform::toLocalTime(st.lastWrite, &dates->time);
    }
    row.hasDate = dates->ok;
    row.date = dates->time;
    row.path = path;
    // Split where the system splits a path: on Windows at a backslash or a slash.
    const size_t separator = platform::findLastPathSeparator(row.path);
    row.nameStart = separator == std::string::npos ? 0 : separator + 1;
    return row;
}

} // namespace

void BuildListRows(const ProjectStore& store, std::vector<ListRow>* rows) {
    rows->clear();
    const uint32_t end = store.GetEntryEnd();
    bool previousUsed = false;
    LocalTimeCache dates;
    for (uint32_t s = 0; s < end; ++s) {
        const char* path = store.GetEntryPath(s);
        if (path) {
            platform::FileStatus st;
            if (platform::readOpenedFileStatus(path, &st)) rows->push_back(MakeFileRow(s, path, st, &dates));
            previousUsed = true;
        } else {
            // Only the first empty slot of a run shows, so a gap of any length is one blank row.
            if (previousUsed || s == 0) rows->push_back(ListRow());
            previousUsed = false;
        }
    }
}

std::string ListRowText(const ListRow& row, int column) {
    if (row.IsGap()) return std::string();
    char buf[64];
    switch (column) {
    case ColIndex:
        std::snprintf(buf, sizeof buf, "    %5d", static_cast<int>(row.slot));
        return buf;
    case ColFilename:
        return row.path.substr(row.nameStart);
    case ColPath:
        // The folder without the separator before the name: empty for a file in the root.
        if (row.nameStart == 0) return std::string();
        return row.path.substr(0, row.nameStart - 1);
    case ColSize:
        std::snprintf(buf, sizeof buf, "%24u", row.size);
        return buf;
    case ColDate:
        if (!row.hasDate) return std::string();
        std::snprintf(buf, sizeof buf, "%04u/%02u/%02u %02u:%02u", row.date.year, row.date.month,
                      row.date.day, row.date.hour, row.date.minute);
        return buf;
    default:
        return std::string();
    }
}
