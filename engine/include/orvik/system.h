// The engine's clock, its random generator and its tracked memory, for programs that want
// what the engine itself uses.
#pragma once
#include <cstddef>
#include <cstdint>

namespace orvik {

// Time.
// Milliseconds from a steady clock with the top bit cleared: 0 to 2^31 - 1, wrapping.
int32_t GetNowMilliseconds();
// Microseconds from a steady clock; useCounter 1 prefers the processor's time-stamp counter.
uint64_t GetNowMicroseconds(int useCounter = 0);
// Local date and time as year, month, day, hour, minute, second. 0.
int GetLocalDateTime(int32_t out[6]);

// Random numbers (a Mersenne twister of the engine's own).
// Starts the sequence from the seed.
void SeedRandom(uint32_t seed);
// The next 32-bit word of the sequence.
uint32_t NextRandom();

// Tracked memory: every block is listed, with the file and line given, in the leak dump
// the log receives at shutdown.
// A block of size bytes (not cleared), or null (after the leak dump and a check of every
// block's header).
void* TrackedAlloc(size_t size, const char* file, int line);
// A block cleared to 0, or null.
void* TrackedCalloc(size_t size, const char* file, int line);
// The block resized with its contents kept, new bytes 0 (null block: a new one); null on
// failure, the old block then still valid.
void* TrackedRealloc(void* block, size_t size, const char* file, int line);
// Frees a tracked block; null is ignored, a block with a damaged header is reported and kept.
void TrackedFree(void* block);
// Writes every live block to the log.
void DumpAllocMemory();
// Checks every live block's header; 0, or -1 when one is damaged (logged).
int CheckAllocMemory();

}  // namespace orvik
