#include "engine/platform/files/stream.h"

#include <cstring>

#include "engine/platform/files/file_access.h"
#include "engine/platform/base/live_handles.h"
#include "engine/platform/base/log.h"
#include "engine/platform/base/memory.h"
#include "engine/platform/base/io_arithmetic.h"

namespace orvik {
namespace {

constexpr StreamFunctions kFileSet{FileAccessTell, FileAccessSeek, FileAccessRead,
                                   FileAccessEof,  FileAccessIdleCheck, FileAccessClose};
constexpr StreamFunctions kMemImageSet{MemImageStreamTell, MemImageStreamSeek,
                                       MemImageStreamRead, MemImageStreamEof,
                                       MemImageStreamIdleCheck, CloseMemImageStream};

struct StreamState {
    StreamFunctions fileSet = kFileSet;
    StreamFunctions memImageSet = kMemImageSet;
    LiveHandles memImageRecords;
};

StreamState& State() {
    static StreamState state;
    return state;
}

MemImageStreamRecord* Record(StreamHandle handle, const char* function) {
    auto* record = reinterpret_cast<MemImageStreamRecord*>(handle);
    if (State().memImageRecords.Contains(record)) return record;
    AddLogFormat("無効なメモリイメージストリームです in %s", function);
    return nullptr;
}

}  // namespace

const StreamFunctions* GetFileStreamFunctions() { return &State().fileSet; }
const StreamFunctions* GetMemImageStreamFunctions() { return &State().memImageSet; }

void InitStreamFunctions() {
    State().fileSet = kFileSet;
    State().memImageSet = kMemImageSet;
}

MemImageStreamRecord* OpenMemImageStream(const void* data, int32_t size) {
    if (size < 0 || (data == nullptr && size != 0)) {
        AddLogText("メモリイメージの指定が不正です in OpenMemImageStream\n");
        return nullptr;
    }
    auto* record = static_cast<MemImageStreamRecord*>(
        TrackedAlloc(sizeof(MemImageStreamRecord), __FILE__, __LINE__));
    if (record == nullptr) return nullptr;
    *record = MemImageStreamRecord{static_cast<const uint8_t*>(data), size, 0, 0};
    State().memImageRecords.Add(record);
    return record;
}

int CloseMemImageStream(StreamHandle handle) {
    MemImageStreamRecord* record = Record(handle, "CloseMemImageStream");
    if (record == nullptr) return -1;
    State().memImageRecords.Remove(record);
    TrackedFree(record);
    return 0;
}

int32_t MemImageStreamTell(StreamHandle handle) {
    MemImageStreamRecord* record = Record(handle, "MemImageStreamTell");
    return record ? record->position : -1;
}

int MemImageStreamSeek(StreamHandle handle, int32_t offset, int origin) {
    MemImageStreamRecord* record = Record(handle, "MemImageStreamSeek");
    if (record == nullptr) return -1;
    const int64_t target = ClampedSeekTarget(offset, origin, record->position, record->size);
    if (target < 0) return -1;
    record->endFlag = 0;
    record->position = static_cast<int32_t>(target);
    return 0;
}

size_t MemImageStreamRead(void* buffer, size_t elementSize, size_t count, StreamHandle handle) {
    MemImageStreamRecord* record = Record(handle, "MemImageStreamRead");
    if (record == nullptr || elementSize == 0 || count == 0) return 0;
    if (buffer == nullptr) {
        AddLogText("読み込み先のバッファがありません in MemImageStreamRead\n");
        return 0;
    }
    if (record->position == record->size) {
        record->endFlag = 1;
        return 0;
    }
    const size_t remaining = static_cast<size_t>(record->size - record->position);
    const size_t whole = WholeElementsThatFit(elementSize, count, remaining);
    // Less than one element left: hand over the rest as if it were one.
    const size_t bytes = whole > 0 ? whole * elementSize : remaining;
    std::memcpy(buffer, record->data + record->position, bytes);
    record->position += static_cast<int32_t>(bytes);
    record->endFlag = 0;
    return whole > 0 ? whole : 1;
}

int MemImageStreamEof(StreamHandle handle) {
    MemImageStreamRecord* record = Record(handle, "MemImageStreamEof");
    return record ? record->endFlag : -1;
}

int MemImageStreamIdleCheck(StreamHandle) { return 1; }

}  // namespace orvik
