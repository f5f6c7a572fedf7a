// One open OKV archive and the lookups inside it. An archive is held in one of three ways:
// read from its file on demand (the file gets a reading thread), read whole into memory,
// or opened over an image in memory, which is copied so the caller's bytes stay as they
// were. Every offset read from the archive is checked against the block it points into.
#pragma once
#include <cstddef>
#include <cstdint>
#include <mutex>

#include "engine/platform/archive/archive_format.h"
#include "engine/platform/files/file_access.h"

namespace orvik {

struct ArchiveFileStream;

struct ArchiveHeaderCopy {
    uint8_t magic[2];
    uint16_t version;
    uint32_t headerBlockSize;
    uint32_t dataStart;
    uint32_t headerBlockOffset;
    uint32_t fileTableOffset;
    uint32_t dirTableOffset;
    uint32_t codePage;
};

struct ArchiveObject {
    ArchiveHeaderCopy header;
    int32_t charSet;            // lead-byte rule of the names
    FileAccessHandle file;      // the archive file (read on demand), else 0
    uint32_t archiveSize;       // bytes in the archive file or image
    uint8_t* image;             // the deciphered archive (held in memory), else null
    uint8_t* headerBlock;       // owned unless it points into the image
    int32_t headerBlockInImage;
    uint32_t currentDir;        // offset of the current ArchiveDirRecord
    uint8_t key[kArchiveKeySize];
    int32_t heldInMemory;
    int32_t fromImage;          // opened over a caller's image (our copy of it)
    int32_t loadPending;        // a whole-file read is still running
    FileAccessHandle loadFile;
    int32_t open;               // the object holds an archive
    // The file opened from it whose asynchronous read of the archive file still runs:
    // the archive file reports only its last read's size, so that read is finished
    // before another one starts. Under ArchiveFileLock, as the reads are.
    ArchiveFileStream* asyncReader;
};

// A file-table entry, decoded. offset is its place in the file table.
struct ArchiveEntryInfo {
    uint32_t offset;
    uint32_t nameOffset;
    uint32_t attributes;
    uint64_t creationTime;
    uint64_t accessTime;
    uint64_t writeTime;
    uint32_t dataOffset;  // files: added to the data start; directories: their record
    uint32_t size;
    uint32_t packedSize;  // kArchiveStoredMark for stored files
    bool IsDirectory() const { return (attributes & kArchiveDirectoryAttribute) != 0; }
};

struct ArchiveDirInfo {
    uint32_t offset;  // its place in the directory table
    uint32_t entryOffset;
    uint32_t parentOffset;
    uint32_t entryCount;
    uint32_t firstEntryOffset;
};

constexpr size_t kArchiveLookupNameSize = 1024;

// The lookup name of one path element: upper-cased a to z, padded with 0 bytes to
// units x 4 bytes, and the 16-bit sum of its bytes.
struct ArchiveLookupName {
    uint8_t name[kArchiveLookupNameSize];
    uint16_t sum;
    uint16_t units;
};

int InitArchiveObject(ArchiveObject* object);
int OpenArchiveFileStreamed(ArchiveObject* object, const char* path, const char* keyString);
int OpenArchiveFileToMemory(ArchiveObject* object, const char* path, const char* keyString,
                            int noWait);
int OpenArchiveFromMemory(ArchiveObject* object, const void* image, size_t size,
                          const char* keyString);
int FinishArchiveFileLoad(ArchiveObject* object);
int CloseArchive(ArchiveObject* object);
int CloseArchiveObject(ArchiveObject* object);
const uint8_t* GetArchiveMemoryImage(ArchiveObject* object);
int GetArchiveFileImage(ArchiveObject* object, const char* path, uint32_t* offset,
                        uint32_t* size);

// Reads length bytes at position (or at the archive file's own position for -1) and
// deciphers them. 0, or -1 when fewer bytes came. Safe from any thread: a Theora movie's
// decode thread and the sound refill read their files out of an archive while the main
// thread reads others from it.
int ReadArchiveData(int64_t position, void* buffer, uint32_t length,
                    const uint8_t key[kArchiveKeySize], FileAccessHandle file);
// Held while an archive file is moved and read, which is one step for the threads that
// share it, and while an archive's asynchronous read is started, finished or waited for:
// another thread's read finishes it first. Taken again by the thread holding it.
std::recursive_mutex& ArchiveFileLock();

// The characters of element used (up to "\", "/" or the end), or -1 when the element is
// too long for the lookup buffer.
int NormalizeArchiveName(const ArchiveObject* object, const char* element,
                         ArchiveLookupName* name);
int FindArchiveDirByName(ArchiveObject* object, const ArchiveLookupName* name);
int ChangeArchiveDir(ArchiveObject* object, const char* path, int restore,
                     ArchiveLookupName* nameOut);
// The entry of a file (not a directory) at path, relative to the current directory.
int FindArchiveFileEntry(const char* path, ArchiveObject* object, ArchiveEntryInfo* entry);

// Bounds-checked views of the header block. false when the record does not lie inside it.
bool ReadArchiveEntry(const ArchiveObject* object, uint32_t offset, ArchiveEntryInfo* entry);
bool ReadArchiveDir(const ArchiveObject* object, uint32_t offset, ArchiveDirInfo* dir);
// The name stored at nameOffset (0-terminated inside the block), or null.
const char* ArchiveStoredName(const ArchiveObject* object, uint32_t nameOffset);
// The lookup name's record matches name (units and sum first, then the bytes).
bool ArchiveNameMatches(const ArchiveObject* object, uint32_t nameOffset,
                        const ArchiveLookupName* name);
// Where a stored or packed file's bytes lie, checked against the archive's size.
bool ArchiveDataRange(const ArchiveObject* object, const ArchiveEntryInfo& entry,
                      uint32_t* offset, uint32_t* length);
bool IsArchiveEntryPacked(const ArchiveObject* object, const ArchiveEntryInfo& entry);

}  // namespace orvik
