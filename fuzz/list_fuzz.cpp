// The list-file parser on arbitrary text. What it accepts must be a table the
// window could hold: indexes in range and used once, paths that fit a slot, lines
// in order.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "model/list_file.h"
#include "model/project_store.h" // slot count and path size

namespace {

void check(bool condition) {
    if (!condition) std::abort();
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
        check(e.line > lastLine);
        lastLine = e.line;
    }
    return 0;
}
