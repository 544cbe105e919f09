#include "engine/archive_reader.h"

#include <algorithm>
#include <cstring>

#include "engine/archive_layout.h"
#include "engine/member_attributes.h"

namespace {

constexpr uint64_t kFixedHeader = 8; // magic and entry count
constexpr uint64_t kReadPiece = 1u << 20;
constexpr uint32_t kDefaultGuess = kDefaultAlignment;

uint32_t u32At(const unsigned char* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

uint16_t u16At(const unsigned char* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

std::string num(uint64_t v) {
    return std::to_string(v);
}

bool allZero(const unsigned char* p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        if (p[i]) return false;
    return true;
}

} // namespace

bool MemoryArchiveSource::readAt(uint64_t offset, void* buffer, std::size_t n) const {
    if (offset > size_ || n > size_ - offset) return false;
    std::memcpy(buffer, static_cast<const unsigned char*>(data_) + offset, n);
    return true;
}

const MemberRecord* ArchiveReader::record(uint32_t index) const {
    return records_.empty() ? nullptr : &records_[index];
}

std::vector<uint32_t> ArchiveReader::usedIndexes() const {
    std::vector<uint32_t> out;
    for (uint32_t i = 0; i < entryCount(); ++i)
        if (used_[i]) out.push_back(i);
    return out;
}

bool ArchiveReader::open(const ArchiveSource& source, int64_t alignment, std::string* error) {
    *this = ArchiveReader();
    source_ = &source;
    fileSize_ = source.size();
    if (fileSize_ == 0) {
        *error = "the file is empty";
        return false;
    }
    unsigned char head[kFixedHeader];
    if (fileSize_ < kFixedHeader) {
        *error = "the file is " + num(fileSize_) + " bytes, too short for an archive header (8 bytes)";
        return false;
    }
    if (!source.readAt(0, head, sizeof head)) {
        *error = "the archive header cannot be read";
        return false;
    }
    if (std::memcmp(head, "BXA", 4) != 0) {
        *error = allZero(head, 4) ? "no archive magic: the header region is zero (an unfinished build?)"
                                  : "not a BXA archive: the file does not start with the magic \"BXA\"";
        return false;
    }
    const uint32_t n = u32At(head + 4);
    if (n == 0 || n > kMaxEntries) {
        *error = "entry count " + num(n) + " is out of range (1 to " + num(kMaxEntries) + ")";
        return false;
    }
    const uint64_t h = headerRegionSize(n);
    if (fileSize_ < h) {
        *error = "the file is truncated: " + num(fileSize_) + " bytes, but the table of contents of " +
                 num(n) + " entries ends at " + num(h);
        return false;
    }
    // Only now, with the file known to hold them, are the entries allocated.
    std::vector<unsigned char> toc(static_cast<std::size_t>(h - kFixedHeader));
    if (!source.readAt(kFixedHeader, toc.data(), toc.size())) {
        *error = "the table of contents cannot be read";
        return false;
    }
    entries_.resize(n);
    used_.assign(n, 0);
    readable_.assign(n, 0);
    for (uint32_t i = 0; i < n; ++i) {
        entries_[i].offset = u32At(&toc[8 * static_cast<std::size_t>(i)]);
        entries_[i].size = u32At(&toc[8 * static_cast<std::size_t>(i) + 4]);
        // A hole above 0 is (0, 0); entry 0 always carries the data start.
        used_[i] = i == 0 ? entries_[i].size != 0 : (entries_[i].offset | entries_[i].size) != 0;
    }
    locatorOffset_ = u32At(&toc[8 * static_cast<std::size_t>(n)]);
    locatorSize_ = u32At(&toc[8 * static_cast<std::size_t>(n) + 4]);

    readAttributeTable();
    if (alignment == kInferAlignment) {
        alignment_ = inferAlignment();
        inferred_ = true;
    } else {
        alignment_ = static_cast<uint32_t>(alignment);
    }
    checkPlacement();
    std::stable_sort(problems_.begin(), problems_.end(),
                     [](const ArchiveProblem& x, const ArchiveProblem& y) { return x.index < y.index; });
    return true;
}

void ArchiveReader::readAttributeTable() {
    const uint32_t n = entryCount();
    const uint64_t want = uint64_t{kAttrRecordSize} * n;
    if (locatorSize_ != want) {
        problem(-1, "the locator gives the attribute table " + num(locatorSize_) + " bytes; " + num(n) +
                        " entries take " + num(want));
        return;
    }
    if (locatorOffset_ < headerRegionSize(n)) {
        problem(-1, "the locator puts the attribute table at " + num(locatorOffset_) +
                        ", inside the table of contents");
        return;
    }
    if (locatorOffset_ + want > fileSize_) {
        problem(-1, "the attribute table at " + num(locatorOffset_) + " (" + num(want) +
                        " bytes) runs past the end of the file (" + num(fileSize_) + " bytes)");
        return;
    }
    std::vector<unsigned char> table(static_cast<std::size_t>(want));
    if (!source_->readAt(locatorOffset_, table.data(), table.size())) {
        problem(-1, "the attribute table cannot be read");
        return;
    }
    checkRecords(table);
}

void ArchiveReader::checkRecords(const std::vector<unsigned char>& table) {
    const uint32_t n = entryCount();
    records_.resize(n);
    // A zero-length member at index 0 is told from a hole by its record alone.
    if (!allZero(table.data(), kAttrRecordSize)) used_[0] = 1;
    uint32_t usedSoFar = 0;
    for (uint32_t i = 0; i < n; ++i) {
        const unsigned char* r = &table[static_cast<std::size_t>(i) * kAttrRecordSize];
        if (!used_[i]) {
            if (!allZero(r, kAttrRecordSize))
                problem(i, "index " + num(i) + " is a hole but its attribute record is not zero");
            continue;
        }
        MemberRecord& m = records_[i];
        const std::size_t len = strnlen(reinterpret_cast<const char*>(r), kAttrNameSize);
        m.name.assign(reinterpret_cast<const char*>(r), len);
        m.year = u16At(r + 32);
        m.month = u16At(r + 34);
        m.day = u16At(r + 36);
        m.hour = u16At(r + 38);
        m.minute = u16At(r + 40);
        m.second = u16At(r + 42);
        const std::string at = "index " + num(i) + ": ";
        if (!allZero(r + len, kAttrNameSize - len))
            problem(i, at + "the name field holds bytes behind its terminating zero");
        if (m.name.empty()) {
            problem(i, at + "the name is empty");
        } else if (m.name == "." || m.name == "..") {
            problem(i, at + "the name is '" + m.name + "'");
        } else if (m.name.find_first_of("/\\") != std::string::npos) {
            problem(i, at + "the name '" + m.name + "' holds a path separator");
        }
        // Any other byte may stand in a name: a file name here may hold control bytes, and
        // a build stores them (only a path's last one is dropped, before the file is opened).
        ++usedSoFar;
        if (const uint32_t word = u32At(r + 44), want = headerWord(usedSoFar); word != want)
            problem(i, at + "the word at offset 44 of its attribute record is " + num(word) +
                           ", but a build writes " + num(want) + " (word " + num(usedSoFar) +
                           " of the archive header)");
        if (m.hasDate() && (m.year < 1980 || m.year > 2107 || m.month < 1 || m.month > 12 || m.day < 1 ||
                            m.day > 31 || m.hour > 23 || m.minute > 59 || m.second > 58 || m.second % 2)) {
            problem(i, at + "the date " + num(m.year) + "/" + num(m.month) + "/" + num(m.day) + " " +
                           num(m.hour) + ":" + num(m.minute) + ":" + num(m.second) + " is not a valid date");
        }
    }
}

// Word `k` (1 and up) of the first H bytes read as u32 words, the magic being word 0:
// the build job copies it into the attribute record of the k-th used index. No
// archive has more used indexes than entries, so k never reaches the locator.
uint32_t ArchiveReader::headerWord(uint32_t k) const {
    if (k == 1) return entryCount();
    const ArchiveEntry& e = entries_[(k - 2) / 2];
    return k % 2 ? e.size : e.offset;
}

// How many of the placement's checks (entry 0, each used entry, locator, end)
// this alignment passes; a damaged entry costs one point, not the rest.
uint64_t ArchiveReader::placedEntries(uint32_t alignment) const {
    const uint32_t n = entryCount();
    uint64_t p = alignUp64(headerRegionSize(n), alignment);
    uint64_t matched = entries_[0].offset == p;
    for (uint32_t i = 0; i < n; ++i) {
        if (!used_[i]) continue;
        matched += entries_[i].offset == p;
        p = std::max(p, alignUp64(uint64_t(entries_[i].offset) + entries_[i].size, alignment));
    }
    matched += locatorOffset_ == p;
    return matched + (archiveEnd(p, entryCount(), alignment) == fileSize_);
}

uint32_t ArchiveReader::inferAlignment() const {
    // The data start D0 = alignUp(H) pins the candidates: divisors of D0 above
    // D0 - H, or with D0 = H also no alignment at all.
    const uint64_t h = headerRegionSize(entryCount());
    const uint64_t d0 = entries_[0].offset;
    std::vector<uint32_t> candidates{kDefaultGuess};
    if (d0 == h) candidates.push_back(0);
    if (d0 >= h && d0 > 0) {
        auto consider = [&](uint64_t a) {
            if (a > d0 - h && a < kArchiveLimit && a != kDefaultGuess)
                candidates.push_back(static_cast<uint32_t>(a));
        };
        for (uint64_t a = 1; a * a <= d0; ++a) {
            if (d0 % a) continue;
            consider(a);
            if (a * a != d0) consider(d0 / a);
        }
    }
    // Among equally good fits the default wins, then no alignment, then the largest.
    std::sort(candidates.begin(), candidates.end(), [](uint32_t a, uint32_t b) {
        if ((a == kDefaultGuess) != (b == kDefaultGuess)) return a == kDefaultGuess;
        if ((a == 0) != (b == 0)) return a == 0;
        return a > b;
    });
    uint32_t best = kDefaultGuess;
    uint64_t bestScore = 0;
    for (uint32_t a : candidates) {
        const uint64_t score = placedEntries(a);
        if (score > bestScore) {
            best = a;
            bestScore = score;
        }
    }
    return best;
}

int64_t ArchiveReader::firstNonZero(uint64_t from, uint64_t to) const {
    to = std::min(to, fileSize_);
    unsigned char buffer[4096];
    while (from < to) {
        const std::size_t n = static_cast<std::size_t>(std::min<uint64_t>(to - from, sizeof buffer));
        if (!source_->readAt(from, buffer, n)) return static_cast<int64_t>(from);
        for (std::size_t k = 0; k < n; ++k)
            if (buffer[k]) return static_cast<int64_t>(from + k);
        from += n;
    }
    return -1;
}

void ArchiveReader::checkPlacement() {
    const uint32_t n = entryCount();
    const uint32_t a = alignment_;
    const uint64_t h = headerRegionSize(n);
    const uint64_t d0 = alignUp64(h, a);
    const std::string aligned = " (alignment " + num(a) + ")";
    if (!used_[0] && entries_[0].offset != d0)
        problem(0, "index 0: offset " + num(entries_[0].offset) + ", but the data starts at " + num(d0) +
                       aligned);
    if (int64_t z = firstNonZero(h, d0); z >= 0)
        problem(-1, "the fill before the data start is not zero at offset " + num(static_cast<uint64_t>(z)));

    uint64_t p = d0;       // where the layout puts the next member
    uint64_t end = d0;     // end of the data read so far
    int64_t previous = -1; // index whose data ends at `end`
    for (uint32_t i = 0; i < n; ++i) {
        if (!used_[i]) continue;
        const uint64_t off = entries_[i].offset, size = entries_[i].size;
        const std::string at = "index " + num(i) + ": ";
        const std::string span = "data at " + num(off) + " (" + num(size) + " bytes)";
        bool readable = false;
        if (off + size > fileSize_) {
            problem(i, at + span + " runs past the end of the file (" + num(fileSize_) + " bytes)");
        } else if (off < h) {
            problem(i, at + span + " lies inside the table of contents, which ends at " + num(h));
        } else if (off < end && size > 0 && previous >= 0) {
            problem(i, at + span + " overlaps index " + num(static_cast<uint64_t>(previous)) +
                           ", whose data ends at " + num(end));
        } else if (off + size >= kArchiveLimit) {
            problem(i, at + span + " reaches beyond 2 GiB");
        } else {
            readable = true;
            if (a && off % a) {
                problem(i, at + "offset " + num(off) + " is not a multiple of the alignment " + num(a));
            } else if (off != p) {
                problem(i, at + "offset " + num(off) + ", but the layout puts it at " + num(p) + aligned);
            } else if (int64_t z = firstNonZero(off + size, alignUp64(off + size, a)); z >= 0) {
                problem(i, at + "the fill behind its data is not zero at offset " +
                               num(static_cast<uint64_t>(z)));
            }
        }
        readable_[i] = readable;
        if (readable && off + size > end) {
            end = off + size;
            previous = i;
        }
        p = std::max(p, alignUp64(off + size, a));
    }

    const uint64_t tableSize = kAttrRecordSize * static_cast<uint64_t>(n);
    if (locatorOffset_ != p)
        problem(-1, "the locator puts the attribute table at " + num(locatorOffset_) +
                        ", but the layout puts it behind the last member, at " + num(p));
    const uint64_t layoutEnd = archiveEnd(p, n, a);
    if (fileSize_ < layoutEnd) {
        problem(-1, "the file is truncated: " + num(fileSize_) + " bytes, but the layout ends at " +
                        num(layoutEnd));
    } else if (fileSize_ > layoutEnd) {
        problem(-1, "the file holds " + num(fileSize_ - layoutEnd) + " bytes behind the end of the layout (" +
                        num(layoutEnd) + ")");
    }
    if (int64_t z = firstNonZero(p + tableSize, layoutEnd); z >= 0)
        problem(-1,
                "the fill behind the attribute table is not zero at offset " + num(static_cast<uint64_t>(z)));
}

bool ArchiveReader::readMember(uint32_t index,
                               const std::function<bool(const unsigned char*, std::size_t)>& sink,
                               std::string* error) const {
    if (index >= entryCount() || !used_[index] || !readable_[index]) {
        *error = "index " + num(index) + " holds no readable member";
        return false;
    }
    std::vector<unsigned char> buffer(
        static_cast<std::size_t>(std::min<uint64_t>(kReadPiece, entries_[index].size)));
    uint64_t at = entries_[index].offset;
    uint64_t left = entries_[index].size;
    while (left > 0) {
        const std::size_t n = static_cast<std::size_t>(std::min<uint64_t>(left, buffer.size()));
        if (!source_->readAt(at, buffer.data(), n)) {
            *error = "index " + num(index) + ": reading " + num(n) + " bytes at " + num(at) + " failed";
            return false;
        }
        if (!sink(buffer.data(), n)) return true;
        at += n;
        left -= n;
    }
    return true;
}
