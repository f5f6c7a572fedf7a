// What the drawing functions share inside graphics: the draw-state helpers they read.
#pragma once
#include <cstdint>

#include <orvik/graphics.h>

namespace orvik {

struct GraphRecord;

// 0xAARRGGBB: alpha is the blend parameter (255 in blend mode 0), colour the brightness.
uint32_t GetDrawDiffuseColor();
// 0 when the blend mask covers the graphic, -1 when it is smaller or invalid.
int IsBlendMaskTooSmall(const GraphRecord& record);

}  // namespace orvik
