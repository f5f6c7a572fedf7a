#include "engine/platform/files/plain_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <string>

#include "engine/platform/base/io_arithmetic.h"
#include "engine/platform/files/file_thread.h"
#include "engine/platform/files/full_path.h"
#include "engine/platform/base/live_handles.h"
#include "engine/platform/base/log.h"
#include "engine/platform/base/tracked_object.h"

namespace orvik {
namespace {

LiveHandles& OpenRecords() {
    static LiveHandles records;
    return records;
}

// The file's size, or -1 when it cannot be opened or is larger than maxSize.
int64_t OpenForSize(const std::string& path, int* fdOut, int64_t maxSize) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return -1;
    }
    if (info.st_size > maxSize) {
        close(fd);
        AddLogFormat("ファイルが大きすぎます：%s", path.c_str());
        return -1;
    }
    *fdOut = fd;
    return info.st_size;
}

// Closes the file and frees the record, its thread stopped first.
void CloseRecord(PlainFileRecord* record) {
    if (record->fd >= 0) close(record->fd);
    OpenRecords().Remove(record);
    TrackedDelete(record->thread);
    TrackedFree(record);
}

// Owns a record until its handle is given out, so that an open failing on the way (a
// container out of memory) closes and frees it.
struct RecordCloser {
    void operator()(PlainFileRecord* record) const { CloseRecord(record); }
};
using RecordOwner = std::unique_ptr<PlainFileRecord, RecordCloser>;

}  // namespace

size_t ReadFileAt(int fd, uint8_t* destination, uint64_t position, size_t size) {
    size_t total = 0;
    while (total < size) {
        const ssize_t got = pread(fd, destination + total, size - total, static_cast<off_t>(position + total));
        if (got <= 0) break;
        total += static_cast<size_t>(got);
    }
    return total;
}

PlainFileRecord* PlainFileFromHandle(FileAccessHandle handle) {
    auto* record = reinterpret_cast<PlainFileRecord*>(handle);
    if (OpenRecords().Contains(record)) return record;
    AddLogText("無効なファイルハンドルです\n");
    return nullptr;
}

namespace {

FileAccessHandle OpenUpTo(const char* path, int cache, int async, int64_t maxSize) {
    if (path == nullptr) return 0;
    const std::string systemPath = ToSystemPath(path);
    int fd = -1;
    const int64_t size = OpenForSize(systemPath, &fd, maxSize);
    if (size < 0) return 0;
    RecordOwner record(static_cast<PlainFileRecord*>(TrackedAlloc(sizeof(PlainFileRecord), __FILE__, __LINE__)));
    if (record == nullptr) {
        close(fd);
        return 0;
    }
    *record = PlainFileRecord{fd, (cache || async) ? 1 : 0, cache ? 1 : 0, async ? 1 : 0,
                              0, 0, static_cast<uint64_t>(size), nullptr};
    OpenRecords().Add(record.get());
    if (!record->threadFlag) return reinterpret_cast<FileAccessHandle>(record.release());

    // The thread opens the file on its own; this open only took the size.
    close(fd);
    record->fd = -1;
    record->thread = ORVIK_TRACKED_NEW(FileThread);
    if (record->thread == nullptr) {
        AddLogText("ファイルアクセス専用スレッドの作成に失敗しました\n");
        return 0;
    }
    const int started = record->thread->Start(systemPath, cache != 0);
    if (started != 0) {
        AddLogText(started == FileThread::kNoCacheMemory ? "ファイル読み込みキャッシュ用メモリの確保に失敗しました\n"
                   : started == FileThread::kNoThread    ? "ファイルアクセス専用スレッドの作成に失敗しました\n"
                                                         : "ファイルのオープンに失敗しました\n");
        return 0;
    }
    return reinterpret_cast<FileAccessHandle>(record.release());
}

}  // namespace

FileAccessHandle PlainFileOpen(const char* path, int cache, int, int async) {
    return OpenUpTo(path, cache, async, INT64_MAX);
}

FileAccessHandle PlainFileOpenArchive(const char* path, int async) {
    return OpenUpTo(path, 0, async, UINT32_MAX);
}

int PlainFileClose(FileAccessHandle handle) {
    PlainFileRecord* record = PlainFileFromHandle(handle);
    if (record == nullptr) return -1;
    CloseRecord(record);
    return 0;
}

int32_t PlainFileTell(FileAccessHandle handle) {
    PlainFileRecord* record = PlainFileFromHandle(handle);
    if (record == nullptr) return -1;
    if (record->position > INT32_MAX) {
        AddLogText("ファイル位置が 32 ビットの数に収まりません in FileAccessTell\n");
        return -1;
    }
    return static_cast<int32_t>(record->position);
}

// The target is clamped to the file, so the next read never runs past its end.
int PlainFileSeek(FileAccessHandle handle, int32_t offset, int origin) {
    PlainFileRecord* record = PlainFileFromHandle(handle);
    if (record == nullptr) return -1;
    const int64_t target = ClampedSeekTarget(offset, origin, static_cast<int64_t>(record->position),
                                             static_cast<int64_t>(record->size));
    if (target < 0) return -1;
    return PlainFileSeekTo(handle, static_cast<uint64_t>(target));
}

int PlainFileSeekTo(FileAccessHandle handle, uint64_t position) {
    PlainFileRecord* record = PlainFileFromHandle(handle);
    if (record == nullptr) return -1;
    record->position = std::min(position, record->size);
    if (record->thread != nullptr) record->thread->Seek(record->position);
    record->endFlag = 0;
    return 0;
}

size_t PlainFileRead(void* buffer, size_t elementSize, size_t count, FileAccessHandle handle) {
    PlainFileRecord* record = PlainFileFromHandle(handle);
    if (record == nullptr || elementSize == 0 || buffer == nullptr) return 0;
    if (record->position >= record->size) {
        record->endFlag = 1;
        return 0;
    }
    count = WholeElementsThatFit(elementSize, count, record->size - record->position);
    if (count == 0) {
        record->endFlag = 1;
        return 0;
    }
    const size_t bytes = elementSize * count;
    auto* destination = static_cast<uint8_t*>(buffer);
    if (record->thread == nullptr) {
        const size_t got = ReadFileAt(record->fd, destination, record->position, bytes);
        record->position += got;
        return got / elementSize;
    }
    record->thread->Read(destination, record->position, bytes);
    if (record->asyncFlag) {
        // The data is there once the idle check reports 1.
        record->position += bytes;
        return count;
    }
    record->thread->WaitDone();
    const size_t got = record->thread->LastReadSize();
    record->position += got;
    return got / elementSize;
}

int PlainFileEof(FileAccessHandle handle) {
    PlainFileRecord* record = PlainFileFromHandle(handle);
    if (record == nullptr) return -1;
    return record->endFlag ? -1 : 0;
}

int PlainFileIdleCheck(FileAccessHandle handle) {
    PlainFileRecord* record = PlainFileFromHandle(handle);
    if (record == nullptr) return -1;
    if (record->thread == nullptr) return 1;
    return record->thread->IsIdle() ? 1 : 0;
}

void PlainFileWaitIdle(FileAccessHandle handle) {
    PlainFileRecord* record = PlainFileFromHandle(handle);
    if (record != nullptr && record->thread != nullptr) record->thread->WaitDone();
}

size_t PlainFileLastReadSize(FileAccessHandle handle) {
    PlainFileRecord* record = PlainFileFromHandle(handle);
    if (record == nullptr || record->thread == nullptr) return 0;
    return record->thread->LastReadSize();
}

uint32_t PlainFileCachedBytes(FileAccessHandle handle) {
    PlainFileRecord* record = PlainFileFromHandle(handle);
    if (record == nullptr || record->thread == nullptr) return 0;
    return record->thread->CachedBytes();
}

size_t PlainFileOpenCount() { return OpenRecords().Count(); }

}  // namespace orvik
