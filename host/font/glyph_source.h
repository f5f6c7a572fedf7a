// Where the GDI-style font calls get their faces and glyph images from: the real fonts
// (FreeType over fontconfig) or fixed bitmaps that tests install. Either way the GDI
// layer turns the images into GDI's formats and metrics, so both share that arithmetic.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace host {

struct FontRequest {
    std::string face;      // UTF-8; empty asks for the default face
    int32_t height = 0;    // GDI's sign rule: > 0 cell height, < 0 character (em) height
    int32_t weight = 0;    // 0 (don't care) counts as normal
    bool italic = false;
    uint8_t charset = 0;   // as realised: never the default set
    uint8_t pitchAndFamily = 0;
};

// A face opened at a size, in whole pixels.
struct FaceMetrics {
    std::string family;  // the face actually used
    int32_t ascent = 0;
    int32_t descent = 0;
    int32_t internalLeading = 0;
    int32_t externalLeading = 0;
    int32_t aveCharWidth = 0;
    int32_t maxCharWidth = 0;
    int32_t weight = 0;
    bool italic = false;
    bool fixedPitch = false;
};

enum class GlyphRaster { Mono, Grey };

// One rendered character. Coverage is row-major, width x rows bytes, 0..255 (a mono
// raster holds only 0 and 255). A character without ink has no rows and no columns.
struct GlyphImage {
    int32_t width = 0;
    int32_t rows = 0;
    int32_t left = 0;  // pen position to the box's left edge
    int32_t top = 0;   // baseline up to the box's top edge
    int32_t advance = 0;
    std::vector<uint8_t> coverage;
};

class GlyphFace {
public:
    virtual ~GlyphFace() = default;
    virtual const FaceMetrics& Metrics() const = 0;
    // False when the character cannot be rendered at all.
    virtual bool Render(char32_t character, GlyphRaster raster, GlyphImage& out) = 0;
};

class GlyphSource {
public:
    virtual ~GlyphSource() = default;
    // Null when no face can be had for the request.
    virtual std::unique_ptr<GlyphFace> Open(const FontRequest& request) = 0;
};

}  // namespace host
