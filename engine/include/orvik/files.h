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
// elements read; the end test answers -1 once a read has met the end.
FileAccessHandle FileAccessOpen(const char* path, int cache, int thirdFlag, int async);
int FileAccessClose(FileAccessHandle handle);
int32_t FileAccessTell(FileAccessHandle handle);
int FileAccessSeek(FileAccessHandle handle, int32_t offset, int origin);
size_t FileAccessRead(void* buffer, size_t elementSize, size_t count, FileAccessHandle handle);
int FileAccessEof(FileAccessHandle handle);
int FileAccessIdleCheck(FileAccessHandle handle);

}  // namespace orvik
