// Looking inside an open archive: bounded views of its tables, lookup names, directories.
#include <cstring>

#include "engine/platform/archive/archive.h"
#include "engine/platform/base/charset.h"
#include "engine/platform/files/plain_file.h"

namespace orvik {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool FitsBlock(const ArchiveObject* object, uint64_t offset, uint64_t length) {
    return offset + length <= object->header.headerBlockSize;
}

// The first separator of path that is not the trail byte of a two-byte character, or null.
const char* FindSeparator(const ArchiveObject* object, const char* path) {
    for (const char* p = path; *p != 0; ++p) {
        if (IsDoubleByteLead(p, object->charSet) && p[1] != 0) ++p;
        else if (IsSeparator(*p)) return p;
    }
    return nullptr;
}

void WaitForLoad(ArchiveObject* object) {
    while (!FinishArchiveFileLoad(object)) PlainFileWaitIdle(object->loadFile);
}

// Makes the subdirectory (or "." / "..") named by the element at path current.
int StepIntoElement(ArchiveObject* object, const char* element, ArchiveLookupName* name,
                    int* used) {
    *used = NormalizeArchiveName(object, element, name);
    if (*used < 0) return -1;
    if (*used == 1 && element[0] == '.') return 0;
    if (*used == 2 && element[0] == '.' && element[1] == '.') {
        ArchiveDirInfo dir{};
        if (!ReadArchiveDir(object, object->currentDir, &dir) ||
            dir.parentOffset == kArchiveNoParent || !ReadArchiveDir(object, dir.parentOffset, &dir))
            return -1;
        object->currentDir = dir.offset;
        return 0;
    }
    return FindArchiveDirByName(object, name);
}

}  // namespace

bool ReadArchiveEntry(const ArchiveObject* object, uint32_t offset, ArchiveEntryInfo* entry) {
    const uint16_t version = object->header.version;
    const uint64_t at = uint64_t{object->header.fileTableOffset} + offset;
    if (!FitsBlock(object, at, ArchiveEntrySize(version))) return false;
    const uint8_t* p = object->headerBlock + at;
    entry->offset = offset;
    entry->nameOffset = LoadU32(p + kEntryName);
    entry->attributes = LoadU32(p + kEntryAttributes);
    entry->creationTime = LoadU64(p + kEntryCreationTime);
    entry->accessTime = LoadU64(p + kEntryAccessTime);
    entry->writeTime = LoadU64(p + kEntryWriteTime);
    entry->dataOffset = LoadU32(p + kEntryData);
    entry->size = LoadU32(p + kEntrySize);
    entry->packedSize = version >= 2 ? LoadU32(p + kEntryPackedSize) : kArchiveStoredMark;
    return true;
}

// The entry count is cut to the entries that lie inside the block, so a damaged count
// cannot send a walk far past it.
bool ReadArchiveDir(const ArchiveObject* object, uint32_t offset, ArchiveDirInfo* dir) {
    const uint64_t at = uint64_t{object->header.dirTableOffset} + offset;
    if (!FitsBlock(object, at, kArchiveDirRecordSize)) return false;
    const uint8_t* p = object->headerBlock + at;
    dir->offset = offset;
    dir->entryOffset = LoadU32(p + kDirEntry);
    dir->parentOffset = LoadU32(p + kDirParent);
    dir->entryCount = LoadU32(p + kDirCount);
    dir->firstEntryOffset = LoadU32(p + kDirFirst);
    const uint64_t first = uint64_t{object->header.fileTableOffset} + dir->firstEntryOffset;
    const uint64_t room = first < object->header.headerBlockSize
                              ? (object->header.headerBlockSize - first) /
                                    ArchiveEntrySize(object->header.version)
                              : 0;
    if (dir->entryCount > room) dir->entryCount = static_cast<uint32_t>(room);
    return true;
}

const char* ArchiveStoredName(const ArchiveObject* object, uint32_t nameOffset) {
    if (!FitsBlock(object, nameOffset, kArchiveNameHeadSize)) return nullptr;
    const uint32_t units = LoadU16(object->headerBlock + nameOffset);
    const uint64_t at = uint64_t{nameOffset} + kArchiveNameHeadSize + units * 4u;
    if (!FitsBlock(object, at, 1)) return nullptr;
    const auto* name = reinterpret_cast<const char*>(object->headerBlock + at);
    if (std::memchr(name, 0, object->header.headerBlockSize - at) == nullptr) return nullptr;
    return name;
}

bool ArchiveNameMatches(const ArchiveObject* object, uint32_t nameOffset,
                        const ArchiveLookupName* name) {
    if (!FitsBlock(object, nameOffset, kArchiveNameHeadSize)) return false;
    const uint8_t* record = object->headerBlock + nameOffset;
    if (LoadU16(record) != name->units || LoadU16(record + 2) != name->sum) return false;
    const uint32_t bytes = name->units * 4u;
    return FitsBlock(object, uint64_t{nameOffset} + kArchiveNameHeadSize, bytes) &&
           std::memcmp(record + kArchiveNameHeadSize, name->name, bytes) == 0;
}

bool IsArchiveEntryPacked(const ArchiveObject* object, const ArchiveEntryInfo& entry) {
    return object->header.version >= 2 && entry.packedSize != kArchiveStoredMark;
}

bool ArchiveDataRange(const ArchiveObject* object, const ArchiveEntryInfo& entry,
                      uint32_t* offset, uint32_t* length) {
    const uint64_t at = uint64_t{object->header.dataStart} + entry.dataOffset;
    const uint32_t bytes = IsArchiveEntryPacked(object, entry) ? entry.packedSize : entry.size;
    if (at + bytes > object->archiveSize) return false;
    *offset = static_cast<uint32_t>(at);
    *length = bytes;
    return true;
}

int NormalizeArchiveName(const ArchiveObject* object, const char* element,
                         ArchiveLookupName* name) {
    if (element == nullptr || name == nullptr) return -1;
    size_t used = 0;
    uint16_t sum = 0;
    for (const char* p = element; *p != 0 && !IsSeparator(*p);) {
        const size_t length = IsDoubleByteLead(p, object->charSet) && p[1] != 0 ? 2 : 1;
        // At least one 0 byte has to follow the name inside the buffer.
        if (used + length >= kArchiveLookupNameSize) return -1;
        for (size_t i = 0; i < length; ++i) {
            uint8_t byte = static_cast<uint8_t>(p[i]);
            if (length == 1 && byte >= 'a' && byte <= 'z') byte = static_cast<uint8_t>(byte - 'a' + 'A');
            name->name[used++] = byte;
            sum = static_cast<uint16_t>(sum + byte);
        }
        p += length;
    }
    const size_t padded = (used + 4) / 4 * 4;
    std::memset(name->name + used, 0, padded - used);
    name->sum = sum;
    name->units = static_cast<uint16_t>(padded / 4);
    return static_cast<int>(used);
}

int FindArchiveDirByName(ArchiveObject* object, const ArchiveLookupName* name) {
    ArchiveDirInfo dir{};
    if (!ReadArchiveDir(object, object->currentDir, &dir)) return -1;
    const uint32_t entrySize = ArchiveEntrySize(object->header.version);
    for (uint32_t i = 0; i < dir.entryCount; ++i) {
        ArchiveEntryInfo entry{};
        if (!ReadArchiveEntry(object, dir.firstEntryOffset + i * entrySize, &entry)) return -1;
        ArchiveDirInfo target{};
        if (entry.IsDirectory() && ArchiveNameMatches(object, entry.nameOffset, name) &&
            ReadArchiveDir(object, entry.dataOffset, &target)) {
            object->currentDir = target.offset;
            return 0;
        }
    }
    return -1;
}

int ChangeArchiveDir(ArchiveObject* object, const char* path, int restore,
                     ArchiveLookupName* nameOut) {
    if (object == nullptr || !object->open || path == nullptr) return -1;
    WaitForLoad(object);
    ArchiveLookupName scratch{};
    ArchiveLookupName* name = nameOut ? nameOut : &scratch;
    const uint32_t start = object->currentDir;
    const char* p = path;
    if (IsSeparator(*p)) {
        object->currentDir = 0;
        ++p;
    }
    while (*p != 0) {
        int used = 0;
        if (StepIntoElement(object, p, name, &used) != 0) {
            if (restore) object->currentDir = start;
            return -1;
        }
        p += used;
        if (IsSeparator(*p)) ++p;
    }
    return 0;
}

// Directories along the path are entered; the last element must then name a file in the
// directory reached. A path whose middle element is not a directory names nothing.
int FindArchiveFileEntry(const char* path, ArchiveObject* object, ArchiveEntryInfo* entry) {
    if (object == nullptr || !object->open || path == nullptr) return -1;
    WaitForLoad(object);
    const uint32_t start = object->currentDir;
    const char* fileName = path;
    int result = 0;
    for (const char* separator; (separator = FindSeparator(object, fileName)) != nullptr;) {
        if (separator == path) {
            object->currentDir = 0;
        } else if (separator != fileName) {
            ArchiveLookupName name{};
            int used = 0;
            if (StepIntoElement(object, fileName, &name, &used) != 0) {
                result = -1;
                break;
            }
        }
        fileName = separator + 1;
    }
    ArchiveLookupName name{};
    if (result == 0 && (*fileName == 0 || NormalizeArchiveName(object, fileName, &name) < 0))
        result = -1;
    ArchiveDirInfo dir{};
    if (result == 0 && !ReadArchiveDir(object, object->currentDir, &dir)) result = -1;
    if (result == 0) {
        result = -1;
        const uint32_t entrySize = ArchiveEntrySize(object->header.version);
        for (uint32_t i = 0; i < dir.entryCount; ++i) {
            if (!ReadArchiveEntry(object, dir.firstEntryOffset + i * entrySize, entry)) break;
            if (!entry->IsDirectory() && ArchiveNameMatches(object, entry->nameOffset, &name)) {
                result = 0;
                break;
            }
        }
    }
    object->currentDir = start;
    return result;
}

int GetArchiveFileImage(ArchiveObject* object, const char* path, uint32_t* offset,
                        uint32_t* size) {
    ArchiveEntryInfo entry{};
    if (FindArchiveFileEntry(path, object, &entry) != 0) return -1;
    uint32_t at = 0;
    uint32_t length = 0;
    if (!ArchiveDataRange(object, entry, &at, &length)) return -1;
    if (offset) *offset = at;
    if (size) *size = entry.size;
    return 0;
}

}  // namespace orvik
