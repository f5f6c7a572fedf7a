// Reading files through the engine: plain files, or files inside OKV archives that stand in
// for directories ("Data01/X.bmp" is read from "Data01.dat" when the extension is "dat").
#pragma once
#include <cstddef>
#include <cstdint>

namespace orvik {

// 0 means failure; pointer-sized, as plain-file handles are record addresses.
using FileAccessHandle = intptr_t;

// Settings made before InitLibrary. Archive access is on unless turned off with 0.
int SetArchiveAccess(int flag);
// The extension of archive files ("dat" for "Data01.dat"); null, empty or 64 characters and
// more give the default "OKV".
int SetArchiveExtension(const char* extension);
// The archives' key string (its first 12 characters); null for archives made without one.
int SetArchiveKeyString(const char* keyString);

// The file operations in use. cache: read ahead in a thread of the file's own; async: reads
// return at once and the data is there when the idle check answers 1. Reads return whole
// elements read; the end test answers -1 once a read has met the end. Plain files of any
// size read through these: relative seeks chain to any position, and the tell answers -1
// (logged) while the position is past 2 GB, where 32 bits cannot hold it.
FileAccessHandle FileAccessOpen(const char* path, int cache, int thirdFlag, int async);
int FileAccessClose(FileAccessHandle handle);
int32_t FileAccessTell(FileAccessHandle handle);
int FileAccessSeek(FileAccessHandle handle, int32_t offset, int origin);
size_t FileAccessRead(void* buffer, size_t elementSize, size_t count, FileAccessHandle handle);
int FileAccessEof(FileAccessHandle handle);
int FileAccessIdleCheck(FileAccessHandle handle);

// A directory search in progress; -1 means nothing matched.
using FileFindHandle = intptr_t;

constexpr int kFilePathMax = 260;

// One directory entry as the find operations report it; times are local time as
// year, month, day, hour, minute, second.
struct FileFindRecord {
    char name[kFilePathMax];
    int32_t directory;
    uint32_t sizeLow;
    uint32_t sizeHigh;
    int32_t creationTime[6];
    int32_t lastWriteTime[6];
};

// The twelve file operations every read of the engine goes through, in slot order.
struct FileAccessFunctions {
    FileAccessHandle (*open)(const char* path, int cache, int thirdFlag, int async);
    int (*close)(FileAccessHandle handle);
    int32_t (*tell)(FileAccessHandle handle);
    int (*seek)(FileAccessHandle handle, int32_t offset, int origin);
    size_t (*read)(void* buffer, size_t elementSize, size_t count, FileAccessHandle handle);
    int (*eof)(FileAccessHandle handle);
    int (*idleCheck)(FileAccessHandle handle);
    int (*setCurrentDir)(const char* path);
    int (*getCurrentDir)(char* buffer);
    FileFindHandle (*findFirst)(const char* path, FileFindRecord* record);
    int (*findNext)(FileFindHandle handle, FileFindRecord* record);
    int (*findClose)(FileFindHandle handle);
};

// Directory search and the current directory, through the operations in use.
// The first entry matching a path with wildcards ("*", "?") into record (which may be
// null); the search's handle, or -1 when nothing matches.
FileFindHandle FileAccessFindFirst(const char* path, FileFindRecord* record);
// The next matching entry; 0, or -1 when nothing more matches.
int FileAccessFindNext(FileFindHandle handle, FileFindRecord* record);
int FileAccessFindClose(FileFindHandle handle);
int FileAccessSetCurrentDir(const char* path);
// Writes the current directory (at most kFilePathMax bytes) into buffer.
int FileAccessGetCurrentDir(char* buffer);
// Resolves path against the directory base (null: the current directory) into out, a
// buffer of kFilePathMax bytes. 0, or -1 when the result does not fit.
int MakeFullPath(const char* path, char* out, const char* base);
// Replaces the twelve operations with a program's own (copied slot by slot); null puts
// the engine's own set back. 0.
int SetFileAccessFunctions(const FileAccessFunctions* table);

}  // namespace orvik
