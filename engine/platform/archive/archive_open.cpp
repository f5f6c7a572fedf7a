// Opening and closing archives in their three ways.
#include <cstring>

#include "engine/platform/archive/archive.h"
#include "engine/platform/archive/archive_key.h"
#include "engine/platform/base/log.h"
#include "engine/platform/base/memory.h"
#include "engine/platform/files/plain_file.h"

namespace orvik {
namespace {

bool HasMagic(const uint8_t* bytes) {
    return bytes[0] == kArchiveMagic[0] && bytes[1] == kArchiveMagic[1];
}

// Picks the key under which the first bytes show the magic: the archive's own, else the
// second key. raw holds the first kArchiveHeadSize bytes as stored.
bool ChooseKey(const uint8_t* raw, const char* keyString, uint8_t key[kArchiveKeySize]) {
    uint8_t head[kArchiveHeadSize];
    MakeArchiveKey(keyString, key);
    std::memcpy(head, raw, sizeof(head));
    XorArchiveKey(sizeof(head), head, 0, key);
    if (HasMagic(head)) return true;
    MakeSecondArchiveKey(key);
    std::memcpy(head, raw, sizeof(head));
    XorArchiveKey(sizeof(head), head, 0, key);
    return HasMagic(head);
}

// Fills the header copy from deciphered header bytes (24, or 28 from version 4).
void ParseHeader(const uint8_t* bytes, ArchiveObject* object) {
    ArchiveHeaderCopy& h = object->header;
    std::memcpy(h.magic, bytes + kHeaderMagic, 2);
    h.version = LoadU16(bytes + kHeaderVersion);
    h.headerBlockSize = LoadU32(bytes + kHeaderBlockSize);
    h.dataStart = LoadU32(bytes + kHeaderDataStart);
    h.headerBlockOffset = LoadU32(bytes + kHeaderBlockOffset);
    h.fileTableOffset = LoadU32(bytes + kHeaderFileTable);
    h.dirTableOffset = LoadU32(bytes + kHeaderDirTable);
    h.codePage = h.version >= 4 ? LoadU32(bytes + kHeaderCodePage) : 0;
    object->charSet = ArchiveCharSetOfCodePage(h.codePage);
}

// The header block must lie inside the archive and hold the root directory record.
bool HeaderFits(const ArchiveHeaderCopy& h, uint32_t archiveSize) {
    return uint64_t{h.headerBlockOffset} + h.headerBlockSize <= archiveSize &&
           h.fileTableOffset <= h.headerBlockSize &&
           uint64_t{h.dirTableOffset} + kArchiveDirRecordSize <= h.headerBlockSize &&
           h.dataStart <= archiveSize;
}

void SetTables(ArchiveObject* object, uint8_t* headerBlock) {
    object->headerBlock = headerBlock;
    object->currentDir = 0;
    object->open = 1;
}

// Key, header (with the second-key retry) and header block of an archive file.
int ReadHeaderFromFile(ArchiveObject* object, FileAccessHandle file, const char* keyString) {
    uint8_t header[kArchiveHeaderSizeV4] = {};
    object->archiveSize = static_cast<uint32_t>(PlainFileFromHandle(file)->size);
    if (object->archiveSize < kArchiveHeaderSize) return -1;
    const uint8_t zeroKey[kArchiveKeySize] = {};
    if (ReadArchiveData(0, header, kArchiveHeadSize, zeroKey, file) != 0) return -1;
    if (!ChooseKey(header, keyString, object->key)) return -1;
    XorArchiveKey(kArchiveHeadSize, header, 0, object->key);
    const uint16_t version = LoadU16(header + kHeaderVersion);
    if (version > kArchiveNewestVersion) return -1;
    const uint32_t rest = ArchiveHeaderSize(version) - kArchiveHeadSize;
    if (ReadArchiveData(kArchiveHeadSize, header + kArchiveHeadSize, rest, object->key, file) != 0)
        return -1;
    ParseHeader(header, object);
    if (!HeaderFits(object->header, object->archiveSize)) {
        AddLogText("ＯＫＶファイルのヘッダが壊れています\n");
        return -1;
    }
    auto* block = static_cast<uint8_t*>(
        TrackedAlloc(object->header.headerBlockSize ? object->header.headerBlockSize : 1,
                     __FILE__, __LINE__));
    if (block == nullptr) return -1;
    if (ReadArchiveData(object->header.headerBlockOffset, block, object->header.headerBlockSize,
                        object->key, file) != 0) {
        TrackedFree(block);
        return -1;
    }
    SetTables(object, block);
    return 0;
}

}  // namespace

std::recursive_mutex& ArchiveFileLock() {
    static std::recursive_mutex lock;
    return lock;
}

int ReadArchiveData(int64_t position, void* buffer, uint32_t length,
                    const uint8_t key[kArchiveKeySize], FileAccessHandle file) {
    std::lock_guard hold(ArchiveFileLock());
    PlainFileRecord* record = PlainFileFromHandle(file);
    if (record == nullptr) return -1;
    if (position < 0) position = static_cast<int64_t>(record->position);
    if (length == 0) return 0;
    const auto at = static_cast<uint64_t>(position);
    if (record->position != at && PlainFileSeekTo(file, at) != 0) return -1;
    if (record->position != at) return -1;
    const size_t got = PlainFileRead(buffer, 1, length, file);
    PlainFileWaitIdle(file);
    const size_t delivered = record->thread != nullptr ? PlainFileLastReadSize(file) : got;
    if (delivered != length) return -1;
    XorArchiveKey(length, buffer, static_cast<uint64_t>(position), key);
    return 0;
}

int InitArchiveObject(ArchiveObject* object) {
    if (object == nullptr) return -1;
    *object = ArchiveObject{};
    return 0;
}

namespace {

// Opens the archive file and reads its header into `object`; 0 (with `object` back to
// empty) when either fails, else the open file.
FileAccessHandle OpenAndReadHeader(ArchiveObject* object, const char* path, const char* keyString) {
    if (object == nullptr || object->open || path == nullptr) return 0;
    object->header = ArchiveHeaderCopy{};
    const FileAccessHandle file = PlainFileOpenArchive(path, 1);
    if (file == 0) return 0;
    if (ReadHeaderFromFile(object, file, keyString) != 0) {
        PlainFileClose(file);
        InitArchiveObject(object);
        return 0;
    }
    return file;
}

}  // namespace

int OpenArchiveFileStreamed(ArchiveObject* object, const char* path, const char* keyString) {
    const FileAccessHandle file = OpenAndReadHeader(object, path, keyString);
    if (file == 0) return -1;
    object->file = file;
    return 0;
}

int OpenArchiveFileToMemory(ArchiveObject* object, const char* path, const char* keyString,
                            int noWait) {
    const FileAccessHandle file = OpenAndReadHeader(object, path, keyString);
    if (file == 0) return -1;
    object->image = static_cast<uint8_t*>(TrackedAlloc(object->archiveSize, __FILE__, __LINE__));
    if (object->image == nullptr) {
        PlainFileClose(file);
        TrackedFree(object->headerBlock);
        InitArchiveObject(object);
        return -1;
    }
    PlainFileSeekTo(file, 0);
    PlainFileRead(object->image, 1, object->archiveSize, file);
    object->heldInMemory = 1;
    object->loadPending = 1;
    object->loadFile = file;
    if (!noWait) {
        while (!FinishArchiveFileLoad(object)) PlainFileWaitIdle(file);
    }
    return 0;
}

int FinishArchiveFileLoad(ArchiveObject* object) {
    if (object == nullptr || !object->loadPending) return 1;
    if (PlainFileIdleCheck(object->loadFile) != 1) return 0;
    // The read asked for archiveSize bytes, so what arrived fits in 32 bits.
    const auto delivered = static_cast<uint32_t>(PlainFileLastReadSize(object->loadFile));
    if (delivered != object->archiveSize) {
        // The file shrank under us: what did not arrive reads as zeros, still bounded.
        AddLogText("ＯＫＶファイルの読み込みに失敗しました\n");
        std::memset(object->image + delivered, 0, object->archiveSize - delivered);
    }
    PlainFileClose(object->loadFile);
    object->loadFile = 0;
    object->loadPending = 0;
    XorArchiveKey(object->archiveSize, object->image, 0, object->key);
    return 1;
}

// The image is copied: deciphering in place would break a read-only image and decipher a
// shared image twice when it is opened twice.
int OpenArchiveFromMemory(ArchiveObject* object, const void* image, size_t size,
                          const char* keyString) {
    if (object == nullptr || object->open || image == nullptr) return -1;
    if (size < kArchiveHeaderSize || size > UINT32_MAX) return -1;
    uint8_t key[kArchiveKeySize];
    if (!ChooseKey(static_cast<const uint8_t*>(image), keyString, key)) return -1;
    uint8_t head[kArchiveHeadSize];
    std::memcpy(head, image, sizeof(head));
    XorArchiveKey(sizeof(head), head, 0, key);
    const uint16_t version = LoadU16(head + kHeaderVersion);
    if (version > kArchiveNewestVersion || size < ArchiveHeaderSize(version)) return -1;
    auto* copy = static_cast<uint8_t*>(TrackedAlloc(size, __FILE__, __LINE__));
    if (copy == nullptr) return -1;
    std::memcpy(copy, image, size);
    XorArchiveKey(size, copy, 0, key);
    std::memcpy(object->key, key, sizeof(key));
    ParseHeader(copy, object);
    object->archiveSize = static_cast<uint32_t>(size);
    if (!HeaderFits(object->header, object->archiveSize)) {
        AddLogText("ＯＫＶファイルのヘッダが壊れています\n");
        TrackedFree(copy);
        InitArchiveObject(object);
        return -1;
    }
    object->image = copy;
    object->heldInMemory = 1;
    object->fromImage = 1;
    object->headerBlockInImage = 1;
    SetTables(object, copy + object->header.headerBlockOffset);
    return 0;
}

int CloseArchive(ArchiveObject* object) {
    if (object == nullptr || !object->open) return 0;
    while (!FinishArchiveFileLoad(object)) PlainFileWaitIdle(object->loadFile);
    if (object->file != 0) PlainFileClose(object->file);
    if (!object->headerBlockInImage) TrackedFree(object->headerBlock);
    TrackedFree(object->image);
    InitArchiveObject(object);
    return 0;
}

int CloseArchiveObject(ArchiveObject* object) { return CloseArchive(object); }

const uint8_t* GetArchiveMemoryImage(ArchiveObject* object) {
    if (object == nullptr || !object->open) return nullptr;
    while (!FinishArchiveFileLoad(object)) PlainFileWaitIdle(object->loadFile);
    return object->heldInMemory ? object->image : nullptr;
}

}  // namespace orvik
