// G.711 expansion of one coded byte to a 16-bit sample.
#pragma once
#include <cstdint>

namespace host {

int16_t AlawToLinear(uint8_t coded);
int16_t MulawToLinear(uint8_t coded);

}  // namespace host
