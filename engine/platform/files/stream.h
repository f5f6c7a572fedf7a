// Six operations through which the image, sound and movie readers pull bytes, so that one
// reader serves a file and a file image held in memory alike. A reader is handed a table
// and a handle together; the handle is a FileAccessHandle for the file set and the address
// of a MemImageStreamRecord for the memory-image set.
#pragma once
#include <cstddef>
#include <cstdint>

namespace orvik {

using StreamHandle = intptr_t;

struct StreamFunctions {
    int32_t (*tell)(StreamHandle handle);
    // origin 0 start, 1 current, 2 end; returns 0 or -1
    int (*seek)(StreamHandle handle, int32_t offset, int origin);
    // returns the number of elements read
    size_t (*read)(void* buffer, size_t elementSize, size_t count, StreamHandle handle);
    // non-zero once a read has met the end (-1 for files, 1 for memory images)
    int (*eof)(StreamHandle handle);
    // 1 when no asynchronous read is outstanding
    int (*idleCheck)(StreamHandle handle);
    int (*close)(StreamHandle handle);
};

// A view on a block of caller's memory; the stream never copies or frees the block.
struct MemImageStreamRecord {
    const uint8_t* data;
    int32_t size;
    int32_t position;  // 0 .. size
    int32_t endFlag;
};

// The file set forwards to the file operations in use; the memory-image set reads a
// MemImageStreamRecord.
const StreamFunctions* GetFileStreamFunctions();
const StreamFunctions* GetMemImageStreamFunctions();
// Refills both tables (start-up calls it; the tables are valid before that too).
void InitStreamFunctions();

// Null when the record cannot be allocated or the arguments make no image.
MemImageStreamRecord* OpenMemImageStream(const void* data, int32_t size);
int CloseMemImageStream(StreamHandle record);

int32_t MemImageStreamTell(StreamHandle record);
// Clamps the target to 0 .. size and clears the end flag.
int MemImageStreamSeek(StreamHandle record, int32_t offset, int origin);
// Whole elements that fit; with less than one element left, copies the rest and returns 1;
// at the end returns 0 and sets the end flag.
size_t MemImageStreamRead(void* buffer, size_t elementSize, size_t count, StreamHandle record);
int MemImageStreamEof(StreamHandle record);
int MemImageStreamIdleCheck(StreamHandle record);

inline StreamHandle ToStreamHandle(MemImageStreamRecord* record) {
    return reinterpret_cast<StreamHandle>(record);
}

}  // namespace orvik
