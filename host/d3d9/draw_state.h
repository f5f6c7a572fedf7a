// Everything one draw call needs, taken from the device's states once per call: the
// target, the depth buffer, the clip rectangle, texture stages, alpha test and blending,
// and whether the fast spans can serve it.
#pragma once
#include <cstddef>
#include <cstdint>

#include "host/d3d9/d3d9_types.h"

namespace host {

constexpr int kMaxStages = 8;
constexpr int kMaxTexCoordSets = 8;

// A vertex in screen space after transformation.
struct ScreenVertex {
    float x = 0, y = 0, z = 0, rhw = 1;
    uint32_t diffuse = 0xFFFFFFFFu, specular = 0;
    float tc[kMaxTexCoordSets][2] = {};
};

// One mip level as 0xAARRGGBB texels.
struct TexelLevel {
    const uint32_t* texels = nullptr;
    size_t pitch = 0;  // in texels
    int32_t width = 0, height = 0;
    uint32_t alphaOr = 0;
};

struct StageSampler {
    TexelLevel levels[16];
    int levelCount = 0;
    DWORD addressU = D3DTADDRESS_WRAP, addressV = D3DTADDRESS_WRAP;
    uint32_t border = 0;
    DWORD magFilter = D3DTEXF_POINT, minFilter = D3DTEXF_POINT, mipFilter = D3DTEXF_NONE;
    float lodBias = 0;
    int maxLevel = 0;
};

struct StageOps {
    DWORD colorOp, colorArg[3], alphaOp, alphaArg[3], resultArg;
    int texSet;  // texture coordinate set read by this stage
};

// Source of the colour or alpha of a fast span: texel, diffuse, or their product; for the
// alpha also the texel of stage 1, which otherwise passes the colour on unchanged.
enum class FastSource : uint8_t { Texel, Diffuse, Product, Second };
enum class FastBlend : uint8_t { None, Alpha, Add };

struct DrawState {
    // Target.
    uint8_t* target = nullptr;
    size_t targetPitch = 0;
    D3DFORMAT targetFormat = D3DFMT_UNKNOWN;
    int targetBytes = 4;
    // Pixels are drawn where clipX0 <= x < clipX1 and clipY0 <= y < clipY1.
    int clipX0 = 0, clipY0 = 0, clipX1 = 0, clipY1 = 0;
    // Depth.
    float* depth = nullptr;
    size_t depthPitch = 0;
    bool depthTest = false, depthWrite = false;
    DWORD depthFunc = D3DCMP_LESSEQUAL;
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
    // Per-pixel tests and output.
    bool alphaPass[256] = {};
    int alphaPassFrom = 0;  // see FastSpan::alphaPassFrom
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
    uint32_t targetAlphaOr = 0;  // 0xFF000000 for targets without alpha
};

}  // namespace host
