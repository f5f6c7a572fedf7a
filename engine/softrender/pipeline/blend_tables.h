// The lookup tables that turn the renderer's divisions by 255 and by 63, and the blend
// image's bytes, into one load per channel.
#pragma once
#include <cstdint>

namespace orvik {

struct BlendTables {
    uint32_t mulDiv255[256][256];  // [a][b] = a * b / 255
    int32_t diffScale[256][512];   // [p][d + 255] = p * d / 255 truncated toward 0
    uint8_t mix6[64][64][64];      // [k][a][b] = (k * a + (63 - k) * b) / 63
    uint8_t weight[256];           // blend-image byte -> weight 0..255
};

// Fills the three fixed tables; always 0.
int InitMemImgBlendTables();
// Rebuilds the blend-image weight ramp from the mask's border and range (0..255 each).
void BuildBlendImageWeightTable(int border, int range);

}  // namespace orvik
