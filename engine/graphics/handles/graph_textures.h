// The device textures of graphics: how an image is cut into power-of-two texture
// pieces, making and clearing them, moving image pixels into them, the per-graphic draw
// records, and releasing them.
#pragma once
#include <cstdint>

#include "engine/graphics/handles/graph_handles.h"
#include "engine/graphics/images/pixel_convert.h"

namespace orvik {

struct BaseImage;

constexpr int kMaxTexturePieces = 64;

struct TextureSettings {
    int32_t userMaxSize = 0;  // 0: the device's maximum
    int32_t wholeTexture = 0;  // every new image in one texture per side
};
TextureSettings& GraphTextureSettings();

// Fills sizes with the piece sizes of one image side; returns the count (at most
// kMaxTexturePieces).
int RoundTextureSize(int size, int single, int* sizes);
int CreateGraphTextures(GraphImageSet& set);
// Copies rect of image (alpha from alphaImage when given) to (destX, destY)
// of the graphic. useKey turns the set's transparent colour transparent.
int TransferImageToTexture(int32_t handle, const BaseImage& image, const BaseImage* alphaImage,
                           const PixelRect& rect, int destX, int destY, int useKey);
int CreateGraphTextureInfo(GraphRecord& record);
void ReleaseGraphTextures(GraphImageSet& set);
// Textures or memory image, then the set itself.
void ReleaseGraphImageSet(GraphImageSet* set);
int ReleaseAllGraphTextures();
// Texture format index for the set's flags.
int GetImageTextureFormatIndex(const GraphImageSet& set);

}  // namespace orvik
