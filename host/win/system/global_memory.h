// Global memory blocks, the currency of the clipboard: allocated by a program, handed to
// the clipboard (which then owns them), locked to reach their bytes.
#pragma once
#include <cstddef>
#include <cstdint>

#include "host/win/system/types.h"

namespace host {

struct GlobalTag;
using HGLOBAL = GlobalTag*;

constexpr uint32_t GMEM_MOVEABLE = 0x2, GMEM_ZEROINIT = 0x40, GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;

// Null when the size is 0 or the memory cannot be had. Blocks always start zeroed.
HGLOBAL GlobalAlloc(uint32_t flags, size_t bytes);
// The block's bytes (null for an unknown block); each lock wants its unlock.
void* GlobalLock(HGLOBAL block);
BOOL GlobalUnlock(HGLOBAL block);
// 0 for an unknown block.
size_t GlobalSize(HGLOBAL block);
// Null on success, the block itself when it is unknown.
HGLOBAL GlobalFree(HGLOBAL block);
// Blocks allocated and not freed, and those of them locked (tests).
size_t CountGlobalBlocks();
size_t CountLockedGlobalBlocks();

}  // namespace host
