// Archives laid out byte by byte for the reader's tests, written apart from the packer so
// that the two cannot share one mistake about the format.
#pragma once
#include <algorithm>
#include <cstdint>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "engine/platform/archive/archive_key.h"

namespace files_test {

struct FixtureFile {
    FixtureFile(std::string n, std::vector<uint8_t> c, std::vector<uint8_t> p = {})
        : name(std::move(n)), content(std::move(c)), packed(std::move(p)) {}
    std::string name;
    std::vector<uint8_t> content;
    std::vector<uint8_t> packed;  // an LZ stream with its head; empty: stored
    uint64_t writeTime = 0;
};

struct FixtureDir {
    explicit FixtureDir(std::string n = "") : name(std::move(n)) {}
    std::string name;
    std::vector<FixtureFile> files;
    std::vector<FixtureDir> dirs;
};

struct FixtureOptions {
    uint16_t version = 2;
    uint32_t codePage = 0;          // version 4 only
    bool headerBlockAtEnd = true;   // else right behind the header, with data start 0
    uint32_t padding = 5;           // bytes between the header and the data (at the end layout)
    const char* keyString = nullptr;
    bool secondKey = false;
};

inline void Put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}
inline void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}
inline void Put64(std::vector<uint8_t>& b, size_t at, uint64_t v) {
    Put32(b, at, uint32_t(v));
    Put32(b, at + 4, uint32_t(v >> 32));
}

inline bool FixtureLead(uint8_t c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Units, check sum, upper-cased lookup name padded with zeros, stored name and its 0.
inline std::vector<uint8_t> NameRecord(const std::string& name) {
    std::string upper = name;
    for (size_t i = 0; i < upper.size(); ++i) {
        const uint8_t c = uint8_t(upper[i]);
        if (FixtureLead(c)) ++i;
        else if (c >= 'a' && c <= 'z') upper[i] = char(c - 32);
    }
    const uint32_t units = uint32_t(name.size() + 4) / 4;
    std::vector<uint8_t> record(4 + units * 4, 0);
    uint32_t sum = 0;
    for (size_t i = 0; i < upper.size(); ++i) {
        record[4 + i] = uint8_t(upper[i]);
        sum += uint8_t(upper[i]);
    }
    Put16(record, 0, units);
    Put16(record, 2, sum & 0xFFFF);
    record.insert(record.end(), name.begin(), name.end());
    record.push_back(0);
    return record;
}

// An LZ stream: the 9-byte head in front of hand-written codes.
inline std::vector<uint8_t> LzStream(uint32_t unpackedSize, uint8_t escape,
                                     const std::vector<uint8_t>& codes) {
    std::vector<uint8_t> stream(9 + codes.size());
    Put32(stream, 0, unpackedSize);
    Put32(stream, 4, uint32_t(stream.size()));
    stream[8] = escape;
    std::copy(codes.begin(), codes.end(), stream.begin() + 9);
    return stream;
}

// "abcabcabcabc" packed by hand: three literals and a match of 9 at distance 3.
inline const std::vector<uint8_t> kPackedAbc =
    LzStream(12, 0xF0, {'a', 'b', 'c', 0xF0, 5 << 3, 0x02});

inline std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

inline std::vector<uint8_t> BuildFixture(const FixtureDir& root, const FixtureOptions& o) {
    const uint32_t entrySize = o.version < 2 ? 40 : 44;
    const uint32_t headerSize = o.version >= 4 ? 28 : 24;

    struct Entry {
        uint32_t name = 0, attributes = 0, data = 0, size = 0, packed = 0xFFFFFFFF;
        uint64_t writeTime = 0;
        const std::vector<uint8_t>* bytes = nullptr;
    };
    std::vector<uint8_t> names;
    std::vector<Entry> entries;
    std::vector<uint32_t> dirRecords;  // four words per directory
    auto addName = [&](const std::string& name) {
        const uint32_t at = uint32_t(names.size());
        const auto record = NameRecord(name);
        names.insert(names.end(), record.begin(), record.end());
        return at;
    };

    // Breadth first: the root's own entry, then each directory's entries in a run.
    entries.push_back(Entry{addName(""), 0x10});
    struct Pending { const FixtureDir* dir; uint32_t record; uint32_t ownEntry; uint32_t parent; };
    std::deque<Pending> queue{{&root, 0, 0, 0xFFFFFFFF}};
    dirRecords.resize(4);
    while (!queue.empty()) {
        const Pending p = queue.front();
        queue.pop_front();
        const uint32_t first = uint32_t(entries.size());
        for (const FixtureFile& f : p.dir->files) {
            Entry e{addName(f.name), 0x20};
            e.size = uint32_t(f.content.size());
            e.writeTime = f.writeTime;
            if (!f.packed.empty()) e.packed = uint32_t(f.packed.size());
            e.bytes = f.packed.empty() ? &f.content : &f.packed;
            entries.push_back(e);
        }
        for (const FixtureDir& d : p.dir->dirs) {
            const uint32_t record = uint32_t(dirRecords.size() / 4);
            dirRecords.resize(dirRecords.size() + 4);
            Entry e{addName(d.name), 0x10};
            e.data = record * 16;
            queue.push_back({&d, record, uint32_t(entries.size()), p.record * 16});
            entries.push_back(e);
        }
        uint32_t* r = &dirRecords[p.record * 4];
        r[0] = p.ownEntry * entrySize;
        r[1] = p.parent;
        r[2] = uint32_t(p.dir->files.size() + p.dir->dirs.size());
        r[3] = first * entrySize;
    }

    const uint32_t fileTable = uint32_t(names.size());
    const uint32_t dirTable = fileTable + uint32_t(entries.size()) * entrySize;
    const uint32_t blockSize = dirTable + uint32_t(dirRecords.size()) * 4;
    uint32_t dataSize = 0;
    for (const Entry& e : entries)
        if (e.bytes) dataSize += uint32_t(e.bytes->size());

    const uint32_t blockOffset = o.headerBlockAtEnd ? headerSize + o.padding + dataSize : headerSize;
    const uint32_t dataBegin = o.headerBlockAtEnd ? headerSize + o.padding : headerSize + blockSize;
    const uint32_t dataStart = o.headerBlockAtEnd ? dataBegin : 0;
    std::vector<uint8_t> file(headerSize + o.padding + dataSize + blockSize, 0xEE);

    uint32_t cursor = dataBegin;
    for (Entry& e : entries) {
        if (!e.bytes) continue;
        std::copy(e.bytes->begin(), e.bytes->end(), file.begin() + cursor);
        e.data = cursor - dataStart;
        cursor += uint32_t(e.bytes->size());
    }
    file[0] = 'Q';
    file[1] = 'Z';
    Put16(file, 2, o.version);
    Put32(file, 4, blockSize);
    Put32(file, 8, dataStart);
    Put32(file, 12, blockOffset);
    Put32(file, 16, fileTable);
    Put32(file, 20, dirTable);
    if (o.version >= 4) Put32(file, 24, o.codePage);
    std::copy(names.begin(), names.end(), file.begin() + blockOffset);
    for (size_t i = 0; i < entries.size(); ++i) {
        const size_t at = blockOffset + fileTable + i * entrySize;
        Put32(file, at + 0, entries[i].name);
        Put32(file, at + 4, entries[i].attributes);
        Put64(file, at + 24, entries[i].writeTime);
        Put32(file, at + 32, entries[i].data);
        Put32(file, at + 36, entries[i].size);
        if (o.version >= 2) Put32(file, at + 40, entries[i].packed);
    }
    for (size_t i = 0; i < dirRecords.size(); ++i) Put32(file, blockOffset + dirTable + i * 4, dirRecords[i]);

    uint8_t key[12];
    if (o.secondKey) orvik::MakeSecondArchiveKey(key);
    else orvik::MakeArchiveKey(o.keyString, key);
    for (size_t i = 0; i < file.size(); ++i) file[i] ^= key[i % 12];
    return file;
}

}  // namespace files_test
