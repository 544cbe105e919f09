// The list-file parser and writer on arbitrary text. What the parser accepts must be
// a table the window could hold: indexes in range and used once, paths that fit a
// slot and hold no line end, lines in order. Written back and read again, an accepted
// table comes back slot for slot, unless the writer refuses it by index.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "model/list_file.h"
#include "model/project_store.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

using Slots = std::vector<std::pair<uint32_t, std::string>>;

Slots slotsOf(const std::vector<ListEntry>& entries) {
    Slots slots;
    for (const ListEntry& e : entries)
        slots.emplace_back(e.index, e.path);
    std::sort(slots.begin(), slots.end());
    return slots;
}

// The writer takes the table from a store; only paths resolved against an absolute
// folder read back the same, so the round trip runs for that case.
void checkRoundTrip(const std::vector<ListEntry>& entries, const std::string& folder) {
    static const auto store = std::make_unique<ProjectStore>();
    ReplaceEntries(store.get(), entries);
    std::string written, error;
    if (!FormatList(*store, folder, &written, &error)) {
        check(error.compare(0, 6, "index ") == 0);
        return;
    }
    std::vector<ListEntry> again;
    check(ParseList(written, "again.lst", folder, &again, &error));
    check(slotsOf(again) == slotsOf(entries));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The first byte picks the list's folder, so both the relative and the plain case run.
    const std::string folder = size > 0 && (data[0] & 1) ? "/base/lists" : "";
    const std::string text(reinterpret_cast<const char*>(data) + (size > 0), size - (size > 0));
    std::vector<ListEntry> entries;
    std::string error;
    if (!ParseList(text, "fuzz.lst", folder, &entries, &error)) {
        check(!error.empty());
        return 0;
    }
    std::set<uint32_t> seen;
    uint32_t lastLine = 0;
    for (const ListEntry& e : entries) {
        check(e.index < kSlotCount);
        check(seen.insert(e.index).second);
        check(!e.path.empty() && e.path.size() < kPathSize);
        check(e.path.find('\n') == std::string::npos && e.path.find('\0') == std::string::npos);
        check(e.line > lastLine);
        lastLine = e.line;
    }
    if (!folder.empty()) checkRoundTrip(entries, folder);
    return 0;
}
