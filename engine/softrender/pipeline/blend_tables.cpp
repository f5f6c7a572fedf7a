#include "engine/softrender/pipeline/blend_tables.h"

#include <algorithm>

#include "engine/softrender/pipeline/soft_state.h"

namespace orvik {

int InitMemImgBlendTables() {
    BlendTables& t = SoftRender().tables;
    for (int p = 0; p < 256; ++p)
        for (int j = 0; j <= 510; ++j) t.diffScale[p][j] = p * (j - 255) / 255;
    for (int a = 0; a < 256; ++a)
        for (int b = 0; b < 256; ++b) t.mulDiv255[a][b] = static_cast<uint32_t>(a * b / 255);
    for (int k = 0; k < 64; ++k)
        for (int a = 0; a < 64; ++a)
            for (int b = 0; b < 64; ++b)
                t.mix6[k][a][b] = static_cast<uint8_t>((k * a + (63 - k) * b) / 63);
    return 0;
}

void BuildBlendImageWeightTable(int border, int range) {
    // Callers clamp both to 0..255; clamp again so a stray value cannot divide by zero.
    border = std::clamp(border, 0, 255);
    range = std::clamp(range, 0, 255);
    const int n = range + 1;
    const int q = 65536 / n;
    const int s = 256 - (q + 256) * border / 256;
    uint8_t* w = SoftRender().tables.weight;
    for (int v = 0; v < 256; ++v) w[v] = static_cast<uint8_t>(std::clamp(v * 256 / n + s, 0, 255));
}

}  // namespace orvik
