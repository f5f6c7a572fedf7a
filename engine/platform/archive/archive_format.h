// The OKV archive's byte layout. Every record is a packed little-endian layout read and
// written field by field at its offset; none of them is a C++ struct image (entries are 44
// bytes and not 8-byte aligned).
#pragma once
#include <cstdint>
#include <cstring>

namespace orvik {

constexpr uint8_t kArchiveMagic[2] = {'Q', 'Z'};
constexpr uint16_t kArchiveNewestVersion = 4;
constexpr uint32_t kArchiveHeadSize = 8;      // magic, version, header-block size
constexpr uint32_t kArchiveHeaderSize = 24;   // versions 0 to 3
constexpr uint32_t kArchiveHeaderSizeV4 = 28; // version 4 adds the names' code page
constexpr uint32_t kArchiveEntrySizeV0 = 40;  // versions 0 and 1: no packed size
constexpr uint32_t kArchiveEntrySizeV2 = 44;
constexpr uint32_t kArchiveDirRecordSize = 16;
constexpr uint32_t kArchiveNameHeadSize = 4;  // units, check sum
constexpr uint32_t kArchiveDirectoryAttribute = 0x10;
constexpr uint32_t kArchiveStoredMark = 0xFFFFFFFF;  // packed size of a stored file
constexpr uint32_t kArchiveNoParent = 0xFFFFFFFF;
constexpr int kArchiveKeySize = 12;
constexpr uint32_t kLzHeadSize = 9;  // unpacked size, packed size, escape byte

// Field offsets of the header.
enum ArchiveHeaderField : uint32_t {
    kHeaderMagic = 0, kHeaderVersion = 2, kHeaderBlockSize = 4, kHeaderDataStart = 8,
    kHeaderBlockOffset = 12, kHeaderFileTable = 16, kHeaderDirTable = 20, kHeaderCodePage = 24,
};
// Field offsets of a file-table entry.
enum ArchiveEntryField : uint32_t {
    kEntryName = 0, kEntryAttributes = 4, kEntryCreationTime = 8, kEntryAccessTime = 16,
    kEntryWriteTime = 24, kEntryData = 32, kEntrySize = 36, kEntryPackedSize = 40,
};
// Field offsets of a directory record.
enum ArchiveDirField : uint32_t {
    kDirEntry = 0, kDirParent = 4, kDirCount = 8, kDirFirst = 12,
};

inline uint16_t LoadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t LoadU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
inline uint64_t LoadU64(const uint8_t* p) {
    return static_cast<uint64_t>(LoadU32(p)) | static_cast<uint64_t>(LoadU32(p + 4)) << 32;
}
inline void StoreU16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void StoreU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void StoreU64(uint8_t* p, uint64_t v) {
    StoreU32(p, static_cast<uint32_t>(v));
    StoreU32(p + 4, static_cast<uint32_t>(v >> 32));
}

inline uint32_t ArchiveEntrySize(uint16_t version) {
    return version < 2 ? kArchiveEntrySizeV0 : kArchiveEntrySizeV2;
}
inline uint32_t ArchiveHeaderSize(uint16_t version) {
    return version >= 4 ? kArchiveHeaderSizeV4 : kArchiveHeaderSize;
}

// The character set that tells two-byte characters in the names: 932 Shift-JIS (1), 949
// Korean (2), 950 Big5 (3), 936 GB (4); any other code page gives 0, which reads lead bytes
// by the Shift-JIS ranges.
inline int ArchiveCharSetOfCodePage(uint32_t codePage) {
    switch (codePage) {
        case 932: return 1;
        case 949: return 2;
        case 950: return 3;
        case 936: return 4;
        default: return 0;
    }
}

}  // namespace orvik
