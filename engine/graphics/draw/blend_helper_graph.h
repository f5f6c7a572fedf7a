// The built-in helper graphic of the four-times blend modes: flat (untextured) draws in
// those modes modulate their colour by it, made once from an image in the program's data.
#pragma once
#include <cstdint>

namespace host {
class Texture;
}

namespace orvik {

// A graphic from an image (and optional alpha image) held in memory; -1 on failure.
int32_t CreateBlendHelperGraph(const void* image, int32_t size, const void* alphaImage, int32_t alphaSize,
                               int passFlag, int mirror);
// Makes the helper graphic when it is not there (or was deleted); 0, or -1 on failure.
int EnsureBlendHelperGraph();
// Its texture, or null while it is not made.
host::Texture* BlendHelperTexture();

}  // namespace orvik
