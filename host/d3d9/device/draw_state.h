// Everything one draw call needs, taken from the device's states once per call: the
// target, the depth buffer, the clip rectangle, texture stages, alpha test and blending,
// and whether the fast spans can serve it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "host/d3d9/device/color_math.h"
#include "host/d3d9/device/d3d9_types.h"
#include "host/d3d9/vertex/ff_fog.h"
#include "host/d3d9/raster/stencil.h"

namespace host {

class Surface;

constexpr int kMaxStages = 8;
// Texture slots and their sampler states: the stages read the first kMaxStages, pixel
// shaders all of them.
constexpr int kMaxSamplers = 16;
constexpr int kMaxTexCoordSets = 8;
// Taps an anisotropic lookup may take (the caps' MaxAnisotropy).
constexpr int kMaxAnisotropy = 16;
// Components kept of each texture coordinate set: u and v, and w for cube and volume
// textures.
constexpr int kTexCoordComponents = 3;

// A vertex in screen space after transformation.
struct ScreenVertex {
    float x = 0, y = 0, z = 0, rhw = 1;
    uint32_t diffuse = 0xFFFFFFFFu, specular = 0;
    float tc[kMaxTexCoordSets][kTexCoordComponents] = {};
    // The divisor of each set's coordinates, read only for the stages a draw marks as
    // projected (DrawState::projectedStages); 1 for coordinates that are not projected.
    // Set in every vertex, as pairing compares whole vertices.
    float tq[kMaxTexCoordSets] = {1, 1, 1, 1, 1, 1, 1, 1};
};

// One mip level as 0xAARRGGBB texels; a volume's level holds `depth` slices of `height`
// rows one after another.
struct TexelLevel {
    const uint32_t* texels = nullptr;
    size_t pitch = 0;  // in texels
    int32_t width = 0, height = 0;
    uint32_t alphaOr = 0;
    int32_t depth = 1;
    Surface* surface = nullptr;  // the surface viewed (none for a volume's slices)
};

struct StageSampler {
    TexelLevel levels[16];
    int levelCount = 0;
    DWORD addressU = D3DTADDRESS_WRAP, addressV = D3DTADDRESS_WRAP;
    uint32_t border = 0;
    DWORD magFilter = D3DTEXF_POINT, minFilter = D3DTEXF_POINT, mipFilter = D3DTEXF_NONE;
    float lodBias = 0;
    int maxLevel = 0;
    int maxAnisotropy = 1;
    DWORD type = D3DRTYPE_TEXTURE;  // or D3DRTYPE_CUBETEXTURE, D3DRTYPE_VOLUMETEXTURE
    DWORD addressW = D3DTADDRESS_WRAP;
    // A cube's faces: levelCount levels of face 0, then of face 1, and so on (apart from
    // `levels`, so that stages of 2D textures stay small).
    std::vector<TexelLevel> faces;
};

struct StageOps {
    DWORD colorOp, colorArg[3], alphaOp, alphaArg[3], resultArg;
    int texSet;  // texture coordinate set read by this stage
};

struct FastSpan;
using FastSpanFn = void (*)(uint32_t* dst, int count, const FastSpan& span);
// A rectangle of `rows` spans `pitch` bytes apart, each `count` pixels reading one row of
// each texture in step (as a `unit` span does) and the next row of a texture
// `rowStep[texture]` further down.
using FastRowsFn = void (*)(uint32_t* dst, size_t pitch, int rows, int count, const FastSpan& span,
                            const int64_t rowStep[2]);
// The stepped spans of a shape's rows, each with its own start (see SteppedRow) and the
// steps of `span`.
struct SteppedRow;
using FastSteppedRowsFn = void (*)(const SteppedRow* rows, int n, const FastSpan& span);

// The fast spans a draw's triangles take: without and with stepping and clamping,
// rectangles' rows and turned shapes' rows; how many textures they step through.
struct FastFunctions {
    FastSpanFn unit = nullptr, clamped = nullptr;
    FastRowsFn rows = nullptr;
    FastSteppedRowsFn steppedRows = nullptr;
    int textures = 1;
};

// Source of the colour or alpha of a fast span: texel, diffuse, or their product; for the
// alpha also the texel of stage 1, which otherwise passes the colour on unchanged.
enum class FastSource : uint8_t { Texel, Diffuse, Product, Second };
enum class FastBlend : uint8_t { None, Alpha, Add };

struct DrawState {
    // Target. With `deferredTarget` set the target may hold pending pixels (deferred_rows.h),
    // and every writer prepares the pixels it touches first (PrepareTarget).
    uint8_t* target = nullptr;
    Surface* deferredTarget = nullptr;
    size_t targetPitch = 0;
    D3DFORMAT targetFormat = D3DFMT_UNKNOWN;
    int targetBytes = 4;
    // Pixels are drawn where clipX0 <= x < clipX1 and clipY0 <= y < clipY1.
    int clipX0 = 0, clipY0 = 0, clipX1 = 0, clipY1 = 0;
    // On a multisampled target each sample is drawn on its own plane: the offset of this
    // sample's position from the pixel centre, in 1/256 pixels.
    int sampleX = 0, sampleY = 0;
    // Depth.
    float* depth = nullptr;
    size_t depthPitch = 0;
    bool depthTest = false, depthWrite = false;
    DWORD depthFunc = D3DCMP_LESSEQUAL;
    StencilState stencil;
    // Whether the triangle being drawn runs counter-clockwise on the screen (it picks the
    // stencil's second face); set by the rasteriser per triangle, false for lines and points.
    mutable bool counterClockwise = false;
    // Rasterisation.
    DWORD cullMode = D3DCULL_CCW, fillMode = D3DFILL_SOLID;
    bool gouraud = true;
    // Texture stages.
    int stageCount = 0;
    StageOps ops[kMaxStages] = {};
    StageSampler samplers[kMaxStages];
    bool stageUsesTexture[kMaxStages] = {};
    uint32_t textureFactor = 0xFFFFFFFFu;
    bool addSpecular = false;
    PixelFog fog;
    // Bit s: stage s's coordinates are divided by their interpolated divisor at each pixel.
    uint32_t projectedStages = 0;
    // Per-pixel tests and output.
    bool alphaPass[256] = {};
    int alphaPassFrom = 0;  // see FastSpan::alphaPassFrom
    // The alpha test (on, function, reference) the table above was filled for: a state
    // kept from call to call fills it again only when they change.
    uint32_t alphaPassKey = ~0u;
    bool blend = false;
    DWORD srcBlend = D3DBLEND_ONE, destBlend = D3DBLEND_ZERO, blendOp = D3DBLENDOP_ADD;
    DWORD srcBlendAlpha = D3DBLEND_ONE, destBlendAlpha = D3DBLEND_ZERO, blendOpAlpha = D3DBLENDOP_ADD;
    uint32_t blendFactor = 0xFFFFFFFFu;
    uint32_t writeMask = 0xFFFFFFFFu;  // per byte of 0xAARRGGBB
    // The fast spans: usable for the call when `fast` is set; the triangle must also be
    // affine with one colour.
    bool fast = false;
    FastSource fastColor = FastSource::Texel, fastAlpha = FastSource::Texel;
    FastBlend fastBlend = FastBlend::None;
    uint32_t fastSecondXor = 0;  // see FastSpan::secondXor
    // Chosen once per call for the four ways a triangle's diffuse colour can turn a product
    // with it into the texel itself: index 1 for a white colour, 2 for a full alpha.
    FastFunctions fastFunctions[4];
    // What the functions above were chosen for (see ChooseFastFunctions).
    uint32_t fastFunctionsKey = ~0u;
    // The choice before the last one, kept at hand: a sprite drawn through the mask screen
    // and the composite after it alternate two choices.
    FastFunctions spareFunctions[4];
    uint32_t spareFunctionsKey = ~0u;
    uint32_t targetAlphaOr = 0;  // 0xFF000000 for targets without alpha
};

// The blend of the fast spans that gives what the state's blend gives; false when none does.
bool FastBlendOf(const DrawState& st, FastBlend* out);
// A colour that passed the alpha test over the target's pixel `dst`, as every fast writer
// blends it, the target's alpha bits then set.
inline uint32_t FastBlended(FastBlend b, uint32_t src, uint32_t dst, uint32_t targetAlphaOr) {
    const uint32_t a = src >> 24;
    return (b == FastBlend::Alpha ? BlendLerp(src, dst, a) : b == FastBlend::Add ? BlendAdd(src, dst, a) : src) |
           targetAlphaOr;
}

}  // namespace host
