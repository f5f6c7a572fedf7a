// Per-row run codes that let a draw skip transparent stretches a byte at a time, and the
// premultiplied plane of an alpha image.
#pragma once
#include "engine/softrender/pipeline/memimg.h"

namespace orvik::soft {

// Codes of 1..64-pixel runs: kind << 6 | (length - 1); kind 0 transparent, 1 opaque,
// 2 partly transparent; every row ends with 0xC0.
inline constexpr uint8_t kRunRowEnd = 0xC0;

void BuildMemImgRunCodes(const MemImgStore& store);
void BuildMemImgPremultiplied(const MemImgStore& store);

}  // namespace orvik::soft
