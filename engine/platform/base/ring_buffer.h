// A growable ring buffer of bytes in a tracked block.
#pragma once
#include <cstdint>

namespace orvik {

// Positions that equal the capacity mean 0.
struct RingBuffer {
    unsigned char* data = nullptr;
    int32_t read = 0;
    int32_t write = 0;
    int32_t stored = 0;
    int32_t capacity = 0;
};

void WrapRingBufferPositions(RingBuffer* ring);
// Makes room for n more bytes, moving what is stored to the start of a larger block when
// it does not fit. 0, or -1 with the buffer and its bytes as they were.
int ReserveRingBuffer(RingBuffer* ring, int32_t n);
// Appends n bytes (growing as needed), wrapping at the end of the block. 0 or -1.
int WriteRingBuffer(RingBuffer* ring, const void* source, int32_t n);
// Copies the next n bytes out; unless peeking, consumes them. -1 when fewer are stored.
int ReadRingBuffer(RingBuffer* ring, void* destination, int32_t n, int peek);
// Frees the block and clears the record.
int TerminateRingBuffer(RingBuffer* ring);

}  // namespace orvik
