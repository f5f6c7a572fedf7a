// A file inside an archive, read through its stream: stored files are read from the
// archive at each read, packed files are unpacked whole when they are opened.
#include <algorithm>
#include <cstring>
#include <mutex>

#include "engine/platform/archive/archive_files.h"
#include "engine/platform/archive/archive_key.h"
#include "engine/platform/archive/archive_lz.h"
#include "engine/platform/base/io_arithmetic.h"
#include "engine/platform/base/log.h"
#include "engine/platform/base/memory.h"
#include "engine/platform/files/plain_file.h"

namespace orvik {
namespace {

// The head must agree with the entry, and the codes must unpack to exactly its size.
bool Unpack(ArchiveFileStream* stream, const uint8_t* packed, uint32_t length) {
    LzHead head{};
    if (ReadLzHead(packed, length, &head) != 0 || head.unpackedSize != stream->entry.size ||
        head.packedSize != stream->entry.packedSize ||
        DecompressArchiveData(packed, length, stream->unpacked, stream->entry.size) !=
            static_cast<int64_t>(stream->entry.size)) {
        AddLogText("ＯＫＶファイルの中のデータが壊れています\n");
        return false;
    }
    return true;
}

// A packed file that turns out damaged after an asynchronous read reads as empty.
void DropContents(ArchiveFileStream* stream) {
    TrackedFree(stream->unpacked);
    stream->unpacked = nullptr;
    stream->entry.size = 0;
    stream->position = 0;
}

// A packed file whose asynchronous read came in short (the archive file shrank): said in
// the log, and the file reads as what the codes that arrived unpack to.
void KeepWhatArrived(ArchiveFileStream* stream, uint32_t arrived) {
    AddLogText("ＯＫＶファイルの読み込みに失敗しました\n");
    const int64_t made = DecompressArchivePrefix(stream->packed, arrived, stream->unpacked, stream->entry.size);
    if (made < 0) {
        AddLogText("ＯＫＶファイルの中のデータが壊れています\n");
        DropContents(stream);
        return;
    }
    stream->entry.size = static_cast<uint32_t>(made);
}

void WaitPending(ArchiveFileStream* stream) {
    while (!FinishArchiveStreamRead(stream)) PlainFileWaitIdle(stream->archive->file);
}

// Finishes the asynchronous read another file of the archive left running on the
// archive file, before this one reads it. Under the archive lock, which also keeps a
// read from starting meanwhile on another thread.
void SettleArchiveFile(ArchiveObject* archive) {
    if (archive->asyncReader != nullptr) WaitPending(archive->asyncReader);
}

// Reads and deciphers part of the archive file once no asynchronous read runs on it.
int ReadSettled(ArchiveObject* archive, uint32_t offset, void* destination, uint32_t size) {
    std::lock_guard hold(ArchiveFileLock());
    SettleArchiveFile(archive);
    return ReadArchiveData(offset, destination, size, archive->key, archive->file);
}

// Starts a read of the archive file without waiting for it: `pending` 1 for a packed
// file's whole data, 2 for a read into the caller's buffer. The stream is the archive's
// reader from the moment the read starts, so that any thread's next read finishes it.
void StartRead(ArchiveFileStream* stream, uint8_t* destination, uint32_t offset, uint32_t size, int32_t pending) {
    std::lock_guard hold(ArchiveFileLock());
    SettleArchiveFile(stream->archive);
    const FileAccessHandle file = stream->archive->file;
    const PlainFileRecord* record = PlainFileFromHandle(file);
    if (record != nullptr && record->position != offset) PlainFileSeekTo(file, offset);
    PlainFileRead(destination, 1, size, file);
    stream->pendingOffset = offset;
    stream->pendingDestination = destination;
    stream->pendingSize = size;
    stream->pending = pending;
    stream->archive->asyncReader = stream;
}

}  // namespace

int OpenArchiveFileStream(ArchiveFileStream* stream, ArchiveObject* archive,
                          const char* innerPath, int async) {
    if (stream == nullptr || archive == nullptr) return -1;
    *stream = ArchiveFileStream{};
    ArchiveEntryInfo entry{};
    if (FindArchiveFileEntry(innerPath, archive, &entry) != 0) return -1;
    uint32_t offset = 0;
    uint32_t length = 0;
    if (!ArchiveDataRange(archive, entry, &offset, &length)) {
        AddLogText("ＯＫＶファイルの中のデータが壊れています\n");
        return -1;
    }
    stream->archive = archive;
    stream->entry = entry;
    stream->asyncFlag = async ? 1 : 0;
    if (!IsArchiveEntryPacked(archive, entry)) return 0;
    if (entry.size > LzLargestUnpackedSize(entry.packedSize)) {
        AddLogText("ＯＫＶファイルの中のデータが壊れています\n");
        return -1;
    }

    stream->unpacked = static_cast<uint8_t*>(TrackedAlloc(std::max<uint32_t>(entry.size, 1), __FILE__, __LINE__));
    if (stream->unpacked == nullptr) return -1;
    if (archive->heldInMemory) {
        if (Unpack(stream, archive->image + offset, length)) return 0;
        CloseArchiveFileStream(stream);
        return -1;
    }
    stream->packed = static_cast<uint8_t*>(TrackedAlloc(std::max<uint32_t>(length, 1), __FILE__, __LINE__));
    if (stream->packed == nullptr) {
        CloseArchiveFileStream(stream);
        return -1;
    }
    if (async) {
        StartRead(stream, stream->packed, offset, length, 1);
        return 0;
    }
    const bool ok = ReadSettled(archive, offset, stream->packed, length) == 0 && Unpack(stream, stream->packed, length);
    TrackedFree(stream->packed);
    stream->packed = nullptr;
    if (ok) return 0;
    CloseArchiveFileStream(stream);
    return -1;
}

int FinishArchiveStreamRead(ArchiveFileStream* stream) {
    // Another thread's read may be finishing this one.
    std::lock_guard hold(ArchiveFileLock());
    if (!stream->asyncFlag || stream->pending == 0) return 1;
    const FileAccessHandle file = stream->archive->file;
    if (PlainFileIdleCheck(file) != 1) return 0;
    const uint32_t expected = stream->pending == 1 ? stream->entry.packedSize : stream->pendingSize;
    const auto arrived = static_cast<uint32_t>(std::min<size_t>(PlainFileLastReadSize(file), expected));
    const bool complete = arrived == expected;
    if (stream->pending == 1) {
        XorArchiveKey(arrived, stream->packed, stream->pendingOffset, stream->archive->key);
        if (!complete) KeepWhatArrived(stream, arrived);
        else if (!Unpack(stream, stream->packed, expected)) DropContents(stream);
        TrackedFree(stream->packed);
        stream->packed = nullptr;
    } else {
        XorArchiveKey(arrived, stream->pendingDestination, stream->pendingOffset,
                      stream->archive->key);
        if (!complete) AddLogText("ＯＫＶファイルの読み込みに失敗しました\n");
    }
    stream->pending = 0;
    stream->archive->asyncReader = nullptr;
    return 1;
}

int CloseArchiveFileStream(ArchiveFileStream* stream) {
    if (stream == nullptr) return -1;
    if (stream->archive != nullptr) WaitPending(stream);
    TrackedFree(stream->unpacked);
    TrackedFree(stream->packed);
    *stream = ArchiveFileStream{};
    return 0;
}

size_t ReadArchiveFileStream(ArchiveFileStream* stream, void* buffer, size_t bytes) {
    WaitPending(stream);
    if (stream->endFlag || buffer == nullptr) return 0;
    const uint32_t size = stream->entry.size;
    if (stream->position >= size) {
        stream->endFlag = 1;
        return 0;
    }
    const uint32_t n = static_cast<uint32_t>(std::min<size_t>(bytes, size - stream->position));
    ArchiveObject* archive = stream->archive;
    const uint32_t fileOffset = archive->header.dataStart + stream->entry.dataOffset + stream->position;
    if (stream->unpacked != nullptr) {
        std::memcpy(buffer, stream->unpacked + stream->position, n);
    } else if (archive->heldInMemory) {
        std::memcpy(buffer, archive->image + fileOffset, n);
    } else if (stream->asyncFlag) {
        StartRead(stream, static_cast<uint8_t*>(buffer), fileOffset, n, 2);
    } else {
        if (ReadSettled(archive, fileOffset, buffer, n) != 0) {
            AddLogText("ＯＫＶファイルの読み込みに失敗しました\n");
            return 0;
        }
    }
    stream->position += n;
    stream->endFlag = 0;
    return n;
}

int SeekArchiveFileStream(ArchiveFileStream* stream, int32_t offset, int origin) {
    WaitPending(stream);
    const int64_t target = ClampedSeekTarget(offset, origin, stream->position, stream->entry.size);
    if (target < 0) return -1;
    stream->position = static_cast<uint32_t>(target);
    stream->endFlag = 0;
    return 0;
}

int32_t TellArchiveFileStream(ArchiveFileStream* stream) {
    WaitPending(stream);
    return static_cast<int32_t>(stream->position);
}

int EofArchiveFileStream(ArchiveFileStream* stream) {
    WaitPending(stream);
    return stream->endFlag ? -1 : 0;
}

}  // namespace orvik
