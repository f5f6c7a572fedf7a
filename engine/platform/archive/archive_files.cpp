// The file operations of the archive-aware set: open, close, tell, seek, read, end test,
// idle check and the current directory.

#include <cstring>

#include "engine/platform/archive/archive_files_state.h"
#include "engine/platform/files/full_path.h"
#include "engine/platform/base/io_arithmetic.h"
#include "engine/platform/base/log.h"
#include "engine/platform/files/plain_file.h"
#include "engine/platform/base/tracked_object.h"

namespace orvik {
namespace {

constexpr uintptr_t kSlotMask = 0x0FFFFFFF;

int FirstFreeFileSlot() {
    ArchiveFilesState& state = ArchiveFiles();
    for (int i = 0; i < kMaxOpenFiles; ++i)
        if (state.files[i] == nullptr) return i;
    return -1;
}

void ReleaseEntry(int slot) {
    ArchiveFilesState& state = ArchiveFiles();
    TrackedDelete(state.files[slot]);
    state.files[slot] = nullptr;
    --state.fileCount;
}

}  // namespace

ArchiveFilesState& ArchiveFiles() {
    static ArchiveFilesState state;
    return state;
}

FileHandleEntry* FileEntryFromHandle(FileAccessHandle handle) {
    const auto value = static_cast<uintptr_t>(handle);
    const uintptr_t slot = value & kSlotMask;
    if ((value & ~kSlotMask) != kArchiveFileHandleTag || slot >= kMaxOpenFiles ||
        ArchiveFiles().files[slot] == nullptr) {
        AddLogText("無効なファイルハンドルです\n");
        return nullptr;
    }
    return ArchiveFiles().files[slot];
}

FileAccessHandle OpenFileWithArchive(const char* path, int cache, int, int async) {
    ArchiveFilesState& state = ArchiveFiles();
    if (path == nullptr) return 0;
    if (state.fileCount >= kMaxOpenFiles) {
        AddLogText("同時に開けるファイルの数が限界を超えました\n");
        return 0;
    }
    const int slot = FirstFreeFileSlot();
    TrackedOwner<FileHandleEntry> entry(ORVIK_TRACKED_NEW(FileHandleEntry));
    if (slot < 0 || entry == nullptr) {
        AddLogText("ファイルの情報を格納するメモリの確保に失敗しました\n");
        return 0;
    }
    *entry = FileHandleEntry{};
    int archiveIndex = -1;
    char innerPath[kFilePathMax];
    if (FindArchiveForPath(path, &archiveIndex, nullptr, innerPath) != 0) {
        entry->kind = 0;
        entry->plain = PlainFileOpen(path, cache, 1, async);
        if (entry->plain == 0) return 0;
    } else {
        entry->kind = 1;
        entry->archiveIndex = archiveIndex;
        ArchiveObject* archive = &state.archives[archiveIndex]->archive;
        if (OpenArchiveFileStream(&entry->stream, archive, innerPath, async) != 0) {
            AddLogText("ＯＫＶファイルの中に指定のファイルは見つかりませんでした\n");
            ReleaseArchiveReference(archiveIndex);
            return 0;
        }
    }
    state.files[slot] = entry.release();
    ++state.fileCount;
    return static_cast<FileAccessHandle>(static_cast<uintptr_t>(slot) | kArchiveFileHandleTag);
}

int CloseFileWithArchive(FileAccessHandle handle) {
    FileHandleEntry* entry = FileEntryFromHandle(handle);
    if (entry == nullptr) return -1;
    if (entry->kind == 1) {
        CloseArchiveFileStream(&entry->stream);
        ReleaseArchiveReference(entry->archiveIndex);
    } else {
        PlainFileClose(entry->plain);
    }
    ReleaseEntry(static_cast<int>(handle & kSlotMask));
    return 0;
}

int32_t TellFileWithArchive(FileAccessHandle handle) {
    FileHandleEntry* entry = FileEntryFromHandle(handle);
    if (entry == nullptr) return -1;
    return entry->kind == 1 ? TellArchiveFileStream(&entry->stream) : PlainFileTell(entry->plain);
}

int SeekFileWithArchive(FileAccessHandle handle, int32_t offset, int origin) {
    FileHandleEntry* entry = FileEntryFromHandle(handle);
    if (entry == nullptr) return -1;
    return entry->kind == 1 ? SeekArchiveFileStream(&entry->stream, offset, origin)
                            : PlainFileSeek(entry->plain, offset, origin);
}

// Inside an archive the bytes that remain are copied even when they make no whole
// element; the result counts whole elements only.
size_t ReadFileWithArchive(void* buffer, size_t elementSize, size_t count, FileAccessHandle handle) {
    FileHandleEntry* entry = FileEntryFromHandle(handle);
    if (entry == nullptr || elementSize == 0) return 0;
    if (entry->kind == 0) return PlainFileRead(buffer, elementSize, count, entry->plain);
    return ReadArchiveFileStream(&entry->stream, buffer, RequestedBytes(elementSize, count)) /
           elementSize;
}

int EofFileWithArchive(FileAccessHandle handle) {
    FileHandleEntry* entry = FileEntryFromHandle(handle);
    if (entry == nullptr) return -1;
    return entry->kind == 1 ? EofArchiveFileStream(&entry->stream) : PlainFileEof(entry->plain);
}

int CheckIdleFileWithArchive(FileAccessHandle handle) {
    FileHandleEntry* entry = FileEntryFromHandle(handle);
    if (entry == nullptr) return -1;
    if (entry->kind == 0) return PlainFileIdleCheck(entry->plain);
    return FinishArchiveStreamRead(&entry->stream);
}

int SetCurrentDirWithArchive(const char* path) {
    PlainSetCurrentDir(path);
    return 0;
}

int GetCurrentDirWithArchive(char* buffer) {
    if (buffer == nullptr) return 0;
    CopyCurrentDirectory(buffer, kArchivePathMax);
    return 0;
}

int OpenFileCount() { return ArchiveFiles().fileCount; }

}  // namespace orvik
