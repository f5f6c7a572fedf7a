// The archive-aware set of file operations: a path is looked up among the archives that
// may stand for one of its directories ("Data01/X.bmp" in "Data01.dat" when the extension
// is "dat"); a file inside a found archive is taken from it and only from it, any other
// path opens a plain file. Open archives stay in a table, shared by the files opened from
// them and counted by references, until ReleaseUnusedArchives.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/platform/archive/archive.h"
#include "engine/platform/files/file_access.h"
#include <orvik/files.h>

namespace orvik {

constexpr int kMaxOpenFiles = 512;
constexpr int kMaxOpenArchives = 512;
constexpr size_t kArchivePathMax = 256;
constexpr size_t kArchiveExtensionMax = 64;
constexpr uint32_t kArchiveFileHandleTag = 0xF0000000;

// A file inside an archive, read through its stream.
struct ArchiveFileStream {
    ArchiveObject* archive;
    ArchiveEntryInfo entry;
    uint8_t* unpacked;     // the whole unpacked file, or null (stored files)
    uint8_t* packed;       // the packed bytes while they are being read
    int32_t endFlag;
    uint32_t position;     // 0 .. size
    int32_t asyncFlag;
    int32_t pending;       // 0 none, 1 packed bytes being read, 2 stored bytes being read
    uint32_t pendingOffset;
    uint8_t* pendingDestination;
    uint32_t pendingSize;
};

struct FileHandleEntry {
    int32_t kind;           // 0 plain file, 1 file inside an archive
    FileAccessHandle plain;
    int32_t archiveIndex;
    ArchiveFileStream stream;
};

struct ArchiveTableEntry {
    int32_t references = 0;
    ArchiveObject archive{};
    std::string path;  // as found, of any length (the working directory can be deep)
};

// The extension in use ("OKV" unless one was set) and the key string (null when none).
const char* ArchiveExtension();
const char* ArchiveKeyString();

FileAccessHandle OpenFileWithArchive(const char* path, int cache, int thirdFlag, int async);
int CloseFileWithArchive(FileAccessHandle handle);
int32_t TellFileWithArchive(FileAccessHandle handle);
int SeekFileWithArchive(FileAccessHandle handle, int32_t offset, int origin);
size_t ReadFileWithArchive(void* buffer, size_t elementSize, size_t count, FileAccessHandle handle);
int EofFileWithArchive(FileAccessHandle handle);
int CheckIdleFileWithArchive(FileAccessHandle handle);
int SetCurrentDirWithArchive(const char* path);
int GetCurrentDirWithArchive(char* buffer);
FileFindHandle FindFirstWithArchive(const char* path, FileFindRecord* record);
int FindNextWithArchive(FileFindHandle handle, FileFindRecord* record);
int FindCloseWithArchive(FileFindHandle handle);

// The full path with a to z upper-cased (two-byte characters whole); -1 when too long.
int NormalizeArchivePath(const char* path, char* out);
// 0 when an archive covers the path (one reference taken on it), -1 otherwise. The
// outputs are the archive's slot, its file path and the path inside it.
int FindArchiveForPath(const char* path, int* archiveIndex, char* archivePath, char* innerPath);
int OpenArchiveInTable(int hint, const char* path, int memoryFlag, int noWait);
// Gives back one reference on an archive (never below 0).
void ReleaseArchiveReference(int archiveIndex);
int ReleaseUnusedArchives();
int CloseUnusedArchives();

int OpenArchiveFileStream(ArchiveFileStream* stream, ArchiveObject* archive,
                          const char* innerPath, int async);
int CloseArchiveFileStream(ArchiveFileStream* stream);
size_t ReadArchiveFileStream(ArchiveFileStream* stream, void* buffer, size_t bytes);
int SeekArchiveFileStream(ArchiveFileStream* stream, int32_t offset, int origin);
int32_t TellArchiveFileStream(ArchiveFileStream* stream);
int EofArchiveFileStream(ArchiveFileStream* stream);
int FinishArchiveStreamRead(ArchiveFileStream* stream);

// Searching inside an archive.
struct ArchiveSearchState;
ArchiveSearchState* FindFirstInArchive(ArchiveObject* archive, const char* path,
                                       FileFindRecord* record);
int FillArchiveFindRecord(ArchiveSearchState* state, FileFindRecord* record);
// The next match after the last one reported; -1 when nothing more matches.
int FindNextInArchive(ArchiveSearchState* state, FileFindRecord* record);
void FreeArchiveSearch(ArchiveSearchState* state);

// Views for tests and diagnostics.
int OpenFileCount();
int OpenArchiveCount();
const ArchiveTableEntry* ArchiveTableSlot(int index);
// Closes every file, search and archive and forgets the settings and the cached match.
void ResetArchiveFiles();

}  // namespace orvik
