#include "engine/platform/files/file_access.h"

#include "engine/platform/archive/archive_files.h"
#include "engine/platform/base/log.h"
#include "engine/platform/base/short_of_memory.h"
#include "engine/platform/files/plain_file.h"

namespace orvik {
namespace {

constexpr FileAccessFunctions kPlainSet{
    PlainFileOpen,       PlainFileClose,      PlainFileTell,      PlainFileSeek,
    PlainFileRead,       PlainFileEof,        PlainFileIdleCheck, PlainSetCurrentDir,
    PlainGetCurrentDir,  PlainFindFirst,      PlainFindNext,      PlainFindClose};

constexpr FileAccessFunctions kArchiveSet{
    OpenFileWithArchive,      CloseFileWithArchive,     TellFileWithArchive,
    SeekFileWithArchive,      ReadFileWithArchive,      EofFileWithArchive,
    CheckIdleFileWithArchive, SetCurrentDirWithArchive, GetCurrentDirWithArchive,
    FindFirstWithArchive,     FindNextWithArchive,      FindCloseWithArchive};

struct FileAccessState {
    FileAccessFunctions table = kArchiveSet;
    int plainAccess = 0;
};

FileAccessState& State() {
    static FileAccessState state;
    return state;
}

// Slot 6 (idle check) is not part of the comparison.
bool SameSet(const FileAccessFunctions& a, const FileAccessFunctions& b) {
    return a.open == b.open && a.close == b.close && a.tell == b.tell && a.seek == b.seek &&
           a.read == b.read && a.eof == b.eof && a.setCurrentDir == b.setCurrentDir &&
           a.getCurrentDir == b.getCurrentDir && a.findFirst == b.findFirst &&
           a.findNext == b.findNext && a.findClose == b.findClose;
}

// A caller's table is called without further checks, so every slot must be filled.
bool Complete(const FileAccessFunctions& t) {
    return t.open && t.close && t.tell && t.seek && t.read && t.eof && t.idleCheck &&
           t.setCurrentDir && t.getCurrentDir && t.findFirst && t.findNext && t.findClose;
}

const FileAccessFunctions& BuiltinSet(int plainAccess) {
    return plainAccess ? kPlainSet : kArchiveSet;
}

}  // namespace

FileAccessFunctions& ActiveFileAccessFunctions() { return State().table; }

void ResetFileAccessTable() { State() = FileAccessState{}; }

const FileAccessFunctions& PlainFileAccessSet() { return kPlainSet; }
const FileAccessFunctions& ArchiveFileAccessSet() { return kArchiveSet; }

int SetFileAccessFunctions(const FileAccessFunctions* table) {
    if (table != nullptr && !Complete(*table)) {
        AddLogText("ファイルアクセス関数テーブルに空きがあります in SetFileAccessFunctions\n");
        return -1;
    }
    State().table = table ? *table : BuiltinSet(State().plainAccess);
    return 0;
}

int SetArchiveAccess(int flag) {
    FileAccessState& state = State();
    const int plainAccess = flag == 0 ? 1 : 0;
    if (plainAccess != state.plainAccess && SameSet(state.table, BuiltinSet(state.plainAccess)))
        state.table = BuiltinSet(plainAccess);
    state.plainAccess = plainAccess;
    return 0;
}

int IsBuiltinFileAccessSet() {
    const FileAccessFunctions& table = State().table;
    return SameSet(table, kPlainSet) || SameSet(table, kArchiveSet) ? 1 : 0;
}

// The operations that make paths, names or records run where memory running short is a
// failure with a log line; the others only move bytes and positions.
FileAccessHandle FileAccessOpen(const char* path, int cache, int thirdFlag, int async) {
    return UnlessShortOfMemory("FileAccessOpen", path, FileAccessHandle{0},
                               [&] { return State().table.open(path, cache, thirdFlag, async); });
}
int FileAccessClose(FileAccessHandle handle) { return State().table.close(handle); }
int32_t FileAccessTell(FileAccessHandle handle) { return State().table.tell(handle); }
int FileAccessSeek(FileAccessHandle handle, int32_t offset, int origin) {
    return State().table.seek(handle, offset, origin);
}
size_t FileAccessRead(void* buffer, size_t elementSize, size_t count, FileAccessHandle handle) {
    return State().table.read(buffer, elementSize, count, handle);
}
int FileAccessEof(FileAccessHandle handle) { return State().table.eof(handle); }
int FileAccessIdleCheck(FileAccessHandle handle) { return State().table.idleCheck(handle); }
FileFindHandle FileAccessFindFirst(const char* path, FileFindRecord* record) {
    return UnlessShortOfMemory("FileAccessFindFirst", path, FileFindHandle{-1},
                               [&] { return State().table.findFirst(path, record); });
}
int FileAccessFindNext(FileFindHandle handle, FileFindRecord* record) {
    return UnlessShortOfMemory("FileAccessFindNext", nullptr, -1,
                               [&] { return State().table.findNext(handle, record); });
}
int FileAccessFindClose(FileFindHandle handle) { return State().table.findClose(handle); }
int FileAccessSetCurrentDir(const char* path) {
    return UnlessShortOfMemory("FileAccessSetCurrentDir", path, -1,
                               [&] { return State().table.setCurrentDir(path); });
}
int FileAccessGetCurrentDir(char* buffer) {
    if (buffer != nullptr) buffer[0] = 0;
    return UnlessShortOfMemory("FileAccessGetCurrentDir", nullptr, -1,
                               [&] { return State().table.getCurrentDir(buffer); });
}

}  // namespace orvik
