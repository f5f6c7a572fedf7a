// The table of file operations every engine loader reads through, and the forwarding
// functions over it. The table holds either the archive-aware set (files are taken out of
// OKV archives that cover their path) or the plain set (operating-system files only), or
// twelve operations a caller supplies.
#pragma once
#include <cstddef>
#include <cstdint>

#include <orvik/files.h>

namespace orvik {

// FileAccessHandle (orvik/files.h): archive-aware handles are a table slot with 0xF0000000
// set; plain-file handles are the address of the open file's record.

// -1 means nothing matched.
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

// The table in use. Starts out holding the archive-aware set.
FileAccessFunctions& ActiveFileAccessFunctions();
// Back to the archive-aware set with archive access on (for tests).
void ResetFileAccessTable();

// A caller's table is copied slot by slot; null installs the built-in set of the current
// archive choice. Returns 0.
int SetFileAccessFunctions(const FileAccessFunctions* table);
// SetArchiveAccess refills the table when it holds the built-in set of the previous choice;
// a caller's own table is left alone.
// 1 when the table holds one of the built-in sets (the idle check is not compared).
int IsBuiltinFileAccessSet();

const FileAccessFunctions& PlainFileAccessSet();
const FileAccessFunctions& ArchiveFileAccessSet();

}  // namespace orvik
