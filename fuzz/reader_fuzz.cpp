// The archive reader over arbitrary bytes: opening, checking and reading every
// member must stay inside the input, whatever it claims.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/archive_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MemoryArchiveSource source(data, size);
    for (int64_t alignment : {kInferAlignment, int64_t{16}}) {
        ArchiveReader reader;
        std::string error;
        if (!reader.open(source, alignment, &error)) {
            if (error.empty()) std::abort();
            continue;
        }
        for (uint32_t i : reader.usedIndexes()) {
            if (!reader.isReadable(i)) continue;
            const ArchiveEntry& e = reader.entry(i);
            if (uint64_t{e.offset} + e.size > size) std::abort();
            uint64_t seen = 0;
            reader.readMember(
                i,
                [&](const unsigned char*, size_t n) {
                    seen += n;
                    return true;
                },
                &error);
            if (seen != e.size) std::abort();
        }
        if (reader.isSound() != reader.problems().empty()) std::abort();
    }
    return 0;
}
