// How one side of an image is cut into power-of-two texture pieces.
#include "engine/graphics/handles/graph_textures.h"
#include "engine/graphics/device/graphics_system.h"

namespace orvik {

namespace {
TextureSettings g_textureSettings;

int MaxTextureSide() {
    if (g_textureSettings.userMaxSize > 0) return g_textureSettings.userMaxSize;
    int m = Graphics().dev.maxTextureSize;
    return m > 0 ? m : 256;
}
}  // namespace

TextureSettings& GraphTextureSettings() { return g_textureSettings; }

int RoundTextureSize(int size, int single, int* sizes) {
    if (size < 9) {
        sizes[0] = 8;
        return 1;
    }
    const int max = MaxTextureSide();
    int p = max;
    while (p > 8 && p > size) p /= 2;
    int screenWidth = 0;
    GetScreenSize(&screenWidth, nullptr);
    if ((single == 1 || (g_textureSettings.userMaxSize <= 0 && size < screenWidth)) && 2 * p <= max) {
        sizes[0] = p >= size ? p : 2 * p;
        return 1;
    }
    int count = 0, rest = size;
    while (rest > 0 && count < kMaxTexturePieces) {
        sizes[count++] = p;
        rest -= p;
        if (rest <= 0) break;
        while (p > rest && p >= 9) p /= 2;
        // A rest that would need several small pieces and fills most of a doubled one
        // goes into that one piece.
        if (rest > p && rest * 4 > 2 * p * 3 && 2 * p <= max && count < kMaxTexturePieces) {
            sizes[count++] = 2 * p;
            break;
        }
    }
    if (count >= 2 && sizes[count - 1] == sizes[count - 2] && 2 * sizes[count - 1] <= max) {
        sizes[count - 2] *= 2;
        --count;
    }
    return count;
}

}  // namespace orvik
