#include "host/d3d9/raster/pixel_shade.h"

#include <algorithm>
#include <cmath>

#include "host/d3d9/device/color_math.h"
#include "host/d3d9/raster/compare_func.h"
#include "host/d3d9/resources/pixel_format.h"
#include "host/d3d9/raster/texture_filter.h"

namespace host {
namespace {

constexpr uint32_t kWhite = 0xFFFFFFFFu;

int DivRound255(int x) { return (x + 127) / 255; }
int Clamp255(int x) { return std::clamp(x, 0, 255); }
uint32_t Channel(uint32_t c, int i) { return (c >> (8 * i)) & 255; }

uint32_t Fetch(const TexelLevel& l, DWORD addressU, DWORD addressV, uint32_t border, int64_t x, int64_t y) {
    const int ax = AddressTexel(x, l.width, addressU), ay = AddressTexel(y, l.height, addressV);
    if (ax < 0 || ay < 0) return border;
    return l.texels[size_t(ay) * l.pitch + size_t(ax)] | l.alphaOr;
}

uint32_t Bilinear(uint32_t c00, uint32_t c10, uint32_t c01, uint32_t c11, uint32_t fx, uint32_t fy) {
    uint32_t out = 0;
    for (int i = 0; i < 4; ++i) {
        const uint32_t v = Channel(c00, i) * (256 - fx) * (256 - fy) + Channel(c10, i) * fx * (256 - fy) +
                           Channel(c01, i) * (256 - fx) * fy + Channel(c11, i) * fx * fy;
        out |= ((v + 32768) >> 16) << (8 * i);
    }
    return out;
}

uint32_t Argument(DWORD arg, uint32_t diffuse, uint32_t current, uint32_t texel, uint32_t factor,
                  uint32_t specular, uint32_t temp) {
    uint32_t v;
    switch (arg & D3DTA_SELECTMASK) {
        case D3DTA_DIFFUSE: v = diffuse; break;
        case D3DTA_CURRENT: v = current; break;
        case D3DTA_TEXTURE: v = texel; break;
        case D3DTA_TFACTOR: v = factor; break;
        case D3DTA_SPECULAR: v = specular; break;
        case D3DTA_TEMP: v = temp; break;
        default: v = kWhite; break;
    }
    if (arg & D3DTA_COMPLEMENT) v = ~v;
    if (arg & D3DTA_ALPHAREPLICATE) v = (v >> 24) * 0x01010101u;
    return v;
}

// One channel of a stage operation. `blendAlpha` is the alpha the blend operations use,
// `alpha1` the alpha of argument 1 for the modulate-and-add operations.
int OpChannel(DWORD op, int x0, int x1, int x2, int blendAlpha, int alpha1) {
    switch (op) {
        case D3DTOP_SELECTARG1: return x1;
        case D3DTOP_SELECTARG2: return x2;
        case D3DTOP_MODULATE:
        case D3DTOP_PREMODULATE: return DivRound255(x1 * x2);
        case D3DTOP_MODULATE2X: return Clamp255(DivRound255(2 * x1 * x2));
        case D3DTOP_MODULATE4X: return Clamp255(DivRound255(4 * x1 * x2));
        case D3DTOP_ADD: return Clamp255(x1 + x2);
        case D3DTOP_ADDSIGNED: return Clamp255(x1 + x2 - 128);
        case D3DTOP_ADDSIGNED2X: return Clamp255(2 * (x1 + x2) - 255);
        case D3DTOP_SUBTRACT: return Clamp255(x1 - x2);
        case D3DTOP_ADDSMOOTH: return Clamp255(x1 + DivRound255(x2 * (255 - x1)));
        case D3DTOP_BLENDDIFFUSEALPHA:
        case D3DTOP_BLENDTEXTUREALPHA:
        case D3DTOP_BLENDFACTORALPHA:
        case D3DTOP_BLENDCURRENTALPHA: return DivRound255(x1 * blendAlpha + x2 * (255 - blendAlpha));
        case D3DTOP_BLENDTEXTUREALPHAPM: return Clamp255(x1 + DivRound255(x2 * (255 - blendAlpha)));
        case D3DTOP_MODULATEALPHA_ADDCOLOR: return Clamp255(x1 + DivRound255(alpha1 * x2));
        case D3DTOP_MODULATECOLOR_ADDALPHA: return Clamp255(DivRound255(x1 * x2) + alpha1);
        case D3DTOP_MODULATEINVALPHA_ADDCOLOR: return Clamp255(x1 + DivRound255((255 - alpha1) * x2));
        case D3DTOP_MODULATEINVCOLOR_ADDALPHA: return Clamp255(DivRound255((255 - x1) * x2) + alpha1);
        case D3DTOP_MULTIPLYADD: return Clamp255(x0 + DivRound255(x1 * x2));
        case D3DTOP_LERP: return DivRound255(x0 * x1 + (255 - x0) * x2);
        default: return x1;
    }
}

uint32_t DotProduct3(uint32_t a, uint32_t b) {
    double sum = 0;
    for (int i = 0; i < 3; ++i) sum += (Channel(a, i) / 255.0 - 0.5) * (Channel(b, i) / 255.0 - 0.5);
    const uint32_t v = uint32_t(std::lround(std::clamp(sum * 4.0, 0.0, 1.0) * 255.0));
    return v * 0x01010101u;
}

int BlendAlphaOf(DWORD op, uint32_t diffuse, uint32_t texel, uint32_t factor, uint32_t current) {
    switch (op) {
        case D3DTOP_BLENDDIFFUSEALPHA: return int(diffuse >> 24);
        case D3DTOP_BLENDTEXTUREALPHA:
        case D3DTOP_BLENDTEXTUREALPHAPM: return int(texel >> 24);
        case D3DTOP_BLENDFACTORALPHA: return int(factor >> 24);
        default: return int(current >> 24);
    }
}

uint32_t RunStages(const DrawState& st, const StageLod* lods, const PixelInput& in) {
    uint32_t current = in.diffuse, temp = 0;
    for (int s = 0; s < st.stageCount; ++s) {
        const StageOps& o = st.ops[s];
        const uint32_t texel =
            st.stageUsesTexture[s] ? SampleTexture(st.samplers[s], lods[s], in.tu[s], in.tv[s], in.tw[s]) : kWhite;
        auto arg = [&](DWORD a) { return Argument(a, in.diffuse, current, texel, st.textureFactor, in.specular, temp); };
        const uint32_t c0 = arg(o.colorArg[0]), c1 = arg(o.colorArg[1]), c2 = arg(o.colorArg[2]);
        uint32_t rgb;
        if (o.colorOp == D3DTOP_DOTPRODUCT3) {
            rgb = DotProduct3(c1, c2) & 0xFFFFFFu;
        } else {
            const int ba = BlendAlphaOf(o.colorOp, in.diffuse, texel, st.textureFactor, current);
            rgb = 0;
            for (int i = 0; i < 3; ++i)
                rgb |= uint32_t(OpChannel(o.colorOp, int(Channel(c0, i)), int(Channel(c1, i)),
                                          int(Channel(c2, i)), ba, int(c1 >> 24)))
                       << (8 * i);
        }
        uint32_t alpha;
        if (o.alphaOp == D3DTOP_DISABLE) {
            alpha = current >> 24;
        } else if (o.colorOp == D3DTOP_DOTPRODUCT3) {
            alpha = DotProduct3(c1, c2) >> 24;
        } else {
            const uint32_t a0 = arg(o.alphaArg[0]) >> 24, a1 = arg(o.alphaArg[1]) >> 24,
                           a2 = arg(o.alphaArg[2]) >> 24;
            const int ba = BlendAlphaOf(o.alphaOp, in.diffuse, texel, st.textureFactor, current);
            const DWORD op = o.alphaOp == D3DTOP_DOTPRODUCT3 ? D3DTOP_SELECTARG1 : o.alphaOp;
            alpha = uint32_t(OpChannel(op, int(a0), int(a1), int(a2), ba, int(a1)));
        }
        const uint32_t result = alpha << 24 | rgb;
        if ((o.resultArg & D3DTA_SELECTMASK) == D3DTA_TEMP) temp = result;
        else current = result;
    }
    return current;
}

int Factor(DWORD kind, uint32_t src, uint32_t dst, uint32_t blendFactor, int i, bool alphaChannel) {
    const int sa = int(src >> 24), da = int(dst >> 24);
    const int sc = int(Channel(src, i)), dc = int(Channel(dst, i)), bf = int(Channel(blendFactor, i));
    switch (kind) {
        case D3DBLEND_ZERO: return 0;
        case D3DBLEND_ONE: return 255;
        case D3DBLEND_SRCCOLOR: return sc;
        case D3DBLEND_INVSRCCOLOR: return 255 - sc;
        case D3DBLEND_SRCALPHA: return sa;
        case D3DBLEND_INVSRCALPHA: return 255 - sa;
        case D3DBLEND_DESTALPHA: return da;
        case D3DBLEND_INVDESTALPHA: return 255 - da;
        case D3DBLEND_DESTCOLOR: return dc;
        case D3DBLEND_INVDESTCOLOR: return 255 - dc;
        case D3DBLEND_SRCALPHASAT: return alphaChannel ? 255 : std::min(sa, 255 - da);
        case D3DBLEND_BLENDFACTOR: return bf;
        case D3DBLEND_INVBLENDFACTOR: return 255 - bf;
        default: return 255;
    }
}

int BlendChannel(DWORD op, int s, int d, int fs, int fd) {
    switch (op) {
        case D3DBLENDOP_SUBTRACT: return Clamp255(DivRound255(std::max(0, s * fs - d * fd)));
        case D3DBLENDOP_REVSUBTRACT: return Clamp255(DivRound255(std::max(0, d * fd - s * fs)));
        case D3DBLENDOP_MIN: return std::min(s, d);
        case D3DBLENDOP_MAX: return std::max(s, d);
        default: return Clamp255(DivRound255(s * fs + d * fd));
    }
}

}  // namespace

int AddressTexel(int64_t i, int n, DWORD mode) {
    switch (mode) {
        case D3DTADDRESS_WRAP: return int(((i % n) + n) % n);
        case D3DTADDRESS_MIRROR: {
            const int64_t m = ((i % (2 * n)) + 2 * n) % (2 * n);
            return int(m < n ? m : 2 * n - 1 - m);
        }
        case D3DTADDRESS_BORDER: return i < 0 || i >= n ? -1 : int(i);
        case D3DTADDRESS_MIRRORONCE: return int(std::clamp<int64_t>(i < 0 ? -i - 1 : i, 0, n - 1));
        default: return int(std::clamp<int64_t>(i, 0, n - 1));
    }
}

uint32_t SampleTexels(const TexelLevel& l, DWORD addressU, DWORD addressV, uint32_t border, bool linear,
                      int64_t tu, int64_t tv) {
    if (!linear) return Fetch(l, addressU, addressV, border, tu >> 32, tv >> 32);
    const int64_t u = tu - (int64_t(1) << 31), v = tv - (int64_t(1) << 31);
    const int64_t x = u >> 32, y = v >> 32;
    const uint32_t fx = uint32_t(u >> 24) & 255, fy = uint32_t(v >> 24) & 255;
    auto at = [&](int64_t px, int64_t py) { return Fetch(l, addressU, addressV, border, px, py); };
    return Bilinear(at(x, y), at(x + 1, y), at(x, y + 1), at(x + 1, y + 1), fx, fy);
}

uint32_t SampleLevel(const StageSampler& s, int level, bool linear, int64_t tu, int64_t tv) {
    return SampleTexels(s.levels[level], s.addressU, s.addressV, s.border, linear, tu, tv);
}

uint32_t SampleTexture(const StageSampler& s, const StageLod& lod, int64_t tu, int64_t tv, int64_t tw) {
    if (s.levelCount == 0) return kWhite;
    if (s.type == D3DRTYPE_CUBETEXTURE) return SampleCube(s, lod, tu, tv, tw);
    if (s.type == D3DRTYPE_VOLUMETEXTURE) return SampleVolume(s, lod, tu, tv, tw);
    if (lod.blend != 0 || lod.taps > 1) return SampleFiltered(s, lod, tu, tv);
    return SampleLevel(s, lod.level, lod.linear, tu, tv);
}

uint32_t BlendPixel(const DrawState& st, uint32_t src, uint32_t dst) {
    uint32_t out = 0;
    for (int i = 0; i < 3; ++i) {
        const int fs = Factor(st.srcBlend, src, dst, st.blendFactor, i, false);
        const int fd = Factor(st.destBlend, src, dst, st.blendFactor, i, false);
        out |= uint32_t(BlendChannel(st.blendOp, int(Channel(src, i)), int(Channel(dst, i)), fs, fd)) << (8 * i);
    }
    const int fs = Factor(st.srcBlendAlpha, src, dst, st.blendFactor, 3, true);
    const int fd = Factor(st.destBlendAlpha, src, dst, st.blendFactor, 3, true);
    out |= uint32_t(BlendChannel(st.blendOpAlpha, int(src >> 24), int(dst >> 24), fs, fd)) << 24;
    return out;
}

void ShadePixel(const DrawState& st, const StageLod* lods, const PixelInput& in, int x, int y) {
    uint32_t color = RunStages(st, lods, in);
    if (st.addSpecular) {
        uint32_t rgb = 0;
        for (int i = 0; i < 3; ++i)
            rgb |= uint32_t(std::min(255u, Channel(color, i) + Channel(in.specular, i))) << (8 * i);
        color = (color & 0xFF000000u) | rgb;
    }
    if (st.fog.enabled) color = ApplyFog(st.fog, color, in.specular, in.z, in.w);
    OutputPixel(st, color, in.z, x, y);
}

void OutputPixel(const DrawState& st, uint32_t color, float z, int x, int y) {
    if (!st.alphaPass[color >> 24]) return;
    // The stencil test comes before the depth test; its value changes by their results,
    // whether or not the colour is then written.
    uint8_t* stencil = st.stencil.values ? st.stencil.values + size_t(y) * st.stencil.pitch + size_t(x) : nullptr;
    const StencilFace& face = st.stencil.Face(st.counterClockwise);
    if (stencil && !StencilPasses(st.stencil, face, *stencil)) {
        ApplyStencilOp(st.stencil, face.fail, stencil);
        return;
    }
    if (st.depthTest) {
        float& stored = st.depth[size_t(y) * st.depthPitch + size_t(x)];
        if (!ComparePasses(st.depthFunc, z, stored)) {
            if (stencil) ApplyStencilOp(st.stencil, face.depthFail, stencil);
            return;
        }
        if (st.depthWrite) stored = z;
    }
    if (stencil) ApplyStencilOp(st.stencil, face.pass, stencil);
    uint8_t* p = st.target + size_t(y) * st.targetPitch + size_t(x) * size_t(st.targetBytes);
    const uint32_t old = ReadPixelArgb(st.targetFormat, p);
    uint32_t out = st.blend ? BlendPixel(st, color, old) : color;
    out = (out & st.writeMask) | (old & ~st.writeMask);
    WritePixelArgb(st.targetFormat, p, out);
}

}  // namespace host
