// The plain set of file operations: operating-system files only. A handle is the address
// of the open file's record. A file opened with the cache flag or the asynchronous flag
// gets a reading thread of its own (see file_thread.h).
#pragma once
#include <cstddef>
#include <cstdint>

#include "engine/platform/files/file_access.h"

namespace orvik {

class FileThread;

struct PlainFileRecord {
    int fd;             // used when the file has no thread
    int32_t threadFlag; // 1 when the cache flag or the asynchronous flag was given
    int32_t cacheFlag;
    int32_t asyncFlag;
    int32_t endFlag;
    uint64_t position;  // the caller's position in bytes
    uint64_t size;      // taken at open
    FileThread* thread;
};

FileAccessHandle PlainFileOpen(const char* path, int cache, int thirdFlag, int async);
// An archive file: its offsets are 32-bit unsigned numbers, so it may be up to 4 GB.
FileAccessHandle PlainFileOpenArchive(const char* path, int async);
int PlainFileClose(FileAccessHandle handle);
// The position while it fits in a signed 32-bit number; past that -1, logged, as a
// wrapped number would send a caller's next seek somewhere else.
int32_t PlainFileTell(FileAccessHandle handle);
// Files of any size: relative seeks chain, so 32-bit offsets reach every position.
int PlainFileSeek(FileAccessHandle handle, int32_t offset, int origin);
// Moves to a position from the start, clamped to the file (for archives over 2 GB).
int PlainFileSeekTo(FileAccessHandle handle, uint64_t position);
size_t PlainFileRead(void* buffer, size_t elementSize, size_t count, FileAccessHandle handle);
int PlainFileEof(FileAccessHandle handle);
int PlainFileIdleCheck(FileAccessHandle handle);
int PlainSetCurrentDir(const char* path);
int PlainGetCurrentDir(char* buffer);
FileFindHandle PlainFindFirst(const char* path, FileFindRecord* record);
int PlainFindNext(FileFindHandle handle, FileFindRecord* record);
int PlainFindClose(FileFindHandle handle);

// The record behind a live plain handle, or null (logged) for anything else.
PlainFileRecord* PlainFileFromHandle(FileAccessHandle handle);
// Blocks until a threaded file has finished its command (at once without a thread).
void PlainFileWaitIdle(FileAccessHandle handle);
// Bytes the last read of a threaded file really delivered, once it is idle.
size_t PlainFileLastReadSize(FileAccessHandle handle);
// Bytes waiting in the read-ahead cache of a threaded file; 0 without one.
uint32_t PlainFileCachedBytes(FileAccessHandle handle);
// The number of plain files open now.
size_t PlainFileOpenCount();

}  // namespace orvik
