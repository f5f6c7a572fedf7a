// Drawing: the per-call state snapshot, vertex fetch, primitive assembly and the
// platform's checks on draw arguments.
#include <algorithm>
#include <cstring>

#include "host/d3d9/d3d9_host.h"
#include "host/d3d9/device.h"
#include "host/d3d9/fast_span.h"
#include "host/d3d9/pixel_format.h"
#include "host/d3d9/raster.h"
#include "host/d3d9/vertex_pipeline.h"

namespace host {
namespace {

bool AlphaTestPasses(DWORD func, uint32_t a, uint32_t ref) {
    switch (func) {
        case D3DCMP_NEVER: return false;
        case D3DCMP_LESS: return a < ref;
        case D3DCMP_EQUAL: return a == ref;
        case D3DCMP_LESSEQUAL: return a <= ref;
        case D3DCMP_GREATER: return a > ref;
        case D3DCMP_NOTEQUAL: return a != ref;
        case D3DCMP_GREATEREQUAL: return a >= ref;
        default: return true;
    }
}

bool ReadsTexture(const StageOps& o) {
    if (o.colorOp == D3DTOP_BLENDTEXTUREALPHA || o.colorOp == D3DTOP_BLENDTEXTUREALPHAPM ||
        o.alphaOp == D3DTOP_BLENDTEXTUREALPHA || o.alphaOp == D3DTOP_BLENDTEXTUREALPHAPM)
        return true;
    for (int i = 0; i < 3; ++i)
        if ((o.colorArg[i] & D3DTA_SELECTMASK) == D3DTA_TEXTURE || (o.alphaArg[i] & D3DTA_SELECTMASK) == D3DTA_TEXTURE)
            return true;
    return false;
}

// What one fast-span channel reads for a stage operation; false when it is none of them.
bool FastSourceOf(DWORD op, DWORD arg1, DWORD arg2, FastSource* out) {
    auto kind = [](DWORD a) { return a == D3DTA_TEXTURE ? 0 : (a == D3DTA_DIFFUSE || a == D3DTA_CURRENT) ? 1 : -1; };
    const int k1 = kind(arg1), k2 = kind(arg2);
    switch (op) {
        case D3DTOP_SELECTARG1:
            if (k1 < 0) return false;
            *out = k1 == 0 ? FastSource::Texel : FastSource::Diffuse;
            return true;
        case D3DTOP_SELECTARG2:
            if (k2 < 0) return false;
            *out = k2 == 0 ? FastSource::Texel : FastSource::Diffuse;
            return true;
        case D3DTOP_MODULATE:
            if (k1 < 0 || k2 < 0 || k1 == k2) return false;
            *out = FastSource::Product;
            return true;
        default: return false;
    }
}

void ChooseFastPath(DrawState* st) {
    st->fast = false;
    if (D3D9Settings().forceGenericPath) return;
    // Targets whose pixels survive widening and narrowing unchanged (no unused bits).
    const D3DFORMAT f = st->targetFormat;
    const bool target = f == D3DFMT_A8R8G8B8 || f == D3DFMT_X8R8G8B8 || f == D3DFMT_R5G6B5 ||
                        f == D3DFMT_A1R5G5B5 || f == D3DFMT_A4R4G4B4;
    if (!target || st->depthTest ||
        st->addSpecular || st->writeMask != 0xFFFFFFFFu || st->fillMode != D3DFILL_SOLID || st->stageCount > 1)
        return;
    if (st->blend) {
        const bool sameAlpha = st->srcBlendAlpha == st->srcBlend && st->destBlendAlpha == st->destBlend &&
                               st->blendOpAlpha == st->blendOp;
        if (!sameAlpha || st->blendOp != D3DBLENDOP_ADD || st->srcBlend != D3DBLEND_SRCALPHA) return;
        if (st->destBlend == D3DBLEND_INVSRCALPHA) st->fastBlend = FastBlend::Alpha;
        else if (st->destBlend == D3DBLEND_ONE) st->fastBlend = FastBlend::Add;
        else return;
    } else {
        st->fastBlend = FastBlend::None;
    }
    if (st->stageCount == 0) {
        st->fastColor = st->fastAlpha = FastSource::Diffuse;
        st->fast = true;
        return;
    }
    const StageOps& o = st->ops[0];
    if ((o.resultArg & D3DTA_SELECTMASK) != D3DTA_CURRENT) return;
    if (!FastSourceOf(o.colorOp, o.colorArg[1], o.colorArg[2], &st->fastColor)) return;
    if (o.alphaOp == D3DTOP_DISABLE) st->fastAlpha = FastSource::Diffuse;
    else if (!FastSourceOf(o.alphaOp, o.alphaArg[1], o.alphaArg[2], &st->fastAlpha)) return;
    if (st->stageUsesTexture[0] && st->samplers[0].levelCount > 0) {
        const StageSampler& s = st->samplers[0];
        const bool point = s.magFilter <= D3DTEXF_POINT && s.minFilter <= D3DTEXF_POINT;
        const bool oneLevel = s.mipFilter == D3DTEXF_NONE || s.levelCount == 1;
        if (!point || !oneLevel || s.maxLevel != 0 || s.addressU != D3DTADDRESS_CLAMP ||
            s.addressV != D3DTADDRESS_CLAMP)
            return;
    }
    st->fast = true;
}

// Limits that keep one call's work and memory bounded (also reported in the caps).
constexpr UINT kMaxPrimitives = 0xFFFFF;
constexpr UINT kMaxVertices = 0x100000;

UINT VertexCountFor(D3DPRIMITIVETYPE type, UINT primitives) {
    if (primitives > kMaxPrimitives) return 0;
    switch (type) {
        case D3DPT_POINTLIST: return primitives;
        case D3DPT_LINELIST: return primitives * 2;
        case D3DPT_LINESTRIP: return primitives + 1;
        case D3DPT_TRIANGLELIST: return primitives * 3;
        case D3DPT_TRIANGLESTRIP:
        case D3DPT_TRIANGLEFAN: return primitives + 2;
        default: return 0;
    }
}

uint32_t IndexAt(const void* indices, D3DFORMAT format, UINT i) {
    if (format == D3DFMT_INDEX16) {
        uint16_t v;
        std::memcpy(&v, static_cast<const uint8_t*>(indices) + 2 * size_t(i), 2);
        return v;
    }
    uint32_t v;
    std::memcpy(&v, static_cast<const uint8_t*>(indices) + 4 * size_t(i), 4);
    return v;
}

}  // namespace

bool Device::BuildDrawState(DrawState* st) {
    Surface* rt = renderTarget_;
    if (!rt) return false;
    const DWORD* rs = renderStates_.data();
    st->target = rt->Bits();
    st->targetPitch = rt->Pitch();
    st->targetFormat = rt->Format();
    st->targetBytes = FindPixelFormat(rt->Format())->bytes;
    st->targetAlphaOr = FindPixelFormat(rt->Format())->alpha ? 0 : 0xFF000000u;
    st->clipX0 = int(viewport_.X);
    st->clipY0 = int(viewport_.Y);
    st->clipX1 = int(std::min<uint64_t>(uint64_t(viewport_.X) + viewport_.Width, rt->Width()));
    st->clipY1 = int(std::min<uint64_t>(uint64_t(viewport_.Y) + viewport_.Height, rt->Height()));
    if (rs[D3DRS_SCISSORTESTENABLE]) {
        st->clipX0 = std::max(st->clipX0, int(scissor_.left));
        st->clipY0 = std::max(st->clipY0, int(scissor_.top));
        st->clipX1 = std::min(st->clipX1, int(scissor_.right));
        st->clipY1 = std::min(st->clipY1, int(scissor_.bottom));
    }
    st->depthTest = rs[D3DRS_ZENABLE] != D3DZB_FALSE && depthStencil_;
    if (st->depthTest) {
        st->depth = depthStencil_->Depth();
        st->depthPitch = depthStencil_->Width();
        st->depthWrite = rs[D3DRS_ZWRITEENABLE] != 0;
        st->depthFunc = rs[D3DRS_ZFUNC];
        st->clipX1 = std::min(st->clipX1, int(depthStencil_->Width()));
        st->clipY1 = std::min(st->clipY1, int(depthStencil_->Height()));
    }
    st->cullMode = rs[D3DRS_CULLMODE];
    st->fillMode = rs[D3DRS_FILLMODE];
    st->gouraud = rs[D3DRS_SHADEMODE] != D3DSHADE_FLAT;
    st->stageCount = 0;
    while (st->stageCount < kMaxStages && stageStates_[st->stageCount][D3DTSS_COLOROP] != D3DTOP_DISABLE)
        ++st->stageCount;
    for (int s = 0; s < st->stageCount; ++s) {
        const DWORD* t = stageStates_[s];
        StageOps& o = st->ops[s];
        o.colorOp = t[D3DTSS_COLOROP];
        o.colorArg[0] = t[D3DTSS_COLORARG0];
        o.colorArg[1] = t[D3DTSS_COLORARG1];
        o.colorArg[2] = t[D3DTSS_COLORARG2];
        o.alphaOp = t[D3DTSS_ALPHAOP];
        o.alphaArg[0] = t[D3DTSS_ALPHAARG0];
        o.alphaArg[1] = t[D3DTSS_ALPHAARG1];
        o.alphaArg[2] = t[D3DTSS_ALPHAARG2];
        o.resultArg = t[D3DTSS_RESULTARG];
        o.texSet = int(std::min<DWORD>(t[D3DTSS_TEXCOORDINDEX] & 0xFFFF, kMaxTexCoordSets - 1));
        st->stageUsesTexture[s] = ReadsTexture(o);
        StageSampler& smp = st->samplers[s];
        const DWORD* m = samplerStates_[s];
        smp.addressU = m[D3DSAMP_ADDRESSU];
        smp.addressV = m[D3DSAMP_ADDRESSV];
        smp.border = m[D3DSAMP_BORDERCOLOR];
        smp.magFilter = m[D3DSAMP_MAGFILTER];
        smp.minFilter = m[D3DSAMP_MINFILTER];
        smp.mipFilter = m[D3DSAMP_MIPFILTER];
        std::memcpy(&smp.lodBias, &m[D3DSAMP_MIPMAPLODBIAS], 4);
        smp.maxLevel = int(std::min<DWORD>(m[D3DSAMP_MAXMIPLEVEL], 15));
        smp.levelCount = 0;
        Texture* tex = textures_[s];
        if (tex && st->stageUsesTexture[s]) {
            smp.levelCount = int(std::min<UINT>(tex->GetLevelCount(), 16));
            for (int i = 0; i < smp.levelCount; ++i) {
                Surface* level = tex->Level(UINT(i));
                TexelLevel& l = smp.levels[i];
                l.texels = level->ArgbView(&l.alphaOr, &l.pitch);
                l.width = int32_t(level->Width());
                l.height = int32_t(level->Height());
            }
        }
    }
    st->textureFactor = rs[D3DRS_TEXTUREFACTOR];
    st->addSpecular = rs[D3DRS_SPECULARENABLE] && (fvf_ & D3DFVF_SPECULAR);
    const bool alphaTest = rs[D3DRS_ALPHATESTENABLE] != 0;
    for (uint32_t a = 0; a < 256; ++a)
        st->alphaPass[a] = !alphaTest || AlphaTestPasses(rs[D3DRS_ALPHAFUNC], a, rs[D3DRS_ALPHAREF] & 255);
    st->alphaPassFrom = AlphaPassFrom(st->alphaPass);
    st->blend = rs[D3DRS_ALPHABLENDENABLE] != 0;
    st->srcBlend = rs[D3DRS_SRCBLEND];
    st->destBlend = rs[D3DRS_DESTBLEND];
    if (st->srcBlend == D3DBLEND_BOTHSRCALPHA) st->srcBlend = D3DBLEND_SRCALPHA, st->destBlend = D3DBLEND_INVSRCALPHA;
    if (st->srcBlend == D3DBLEND_BOTHINVSRCALPHA)
        st->srcBlend = D3DBLEND_INVSRCALPHA, st->destBlend = D3DBLEND_SRCALPHA;
    st->blendOp = rs[D3DRS_BLENDOP];
    const bool separate = rs[D3DRS_SEPARATEALPHABLENDENABLE] != 0;
    st->srcBlendAlpha = separate ? rs[D3DRS_SRCBLENDALPHA] : st->srcBlend;
    st->destBlendAlpha = separate ? rs[D3DRS_DESTBLENDALPHA] : st->destBlend;
    st->blendOpAlpha = separate ? rs[D3DRS_BLENDOPALPHA] : st->blendOp;
    st->blendFactor = rs[D3DRS_BLENDFACTOR];
    const DWORD cw = rs[D3DRS_COLORWRITEENABLE];
    st->writeMask = (cw & D3DCOLORWRITEENABLE_RED ? 0x00FF0000u : 0) | (cw & D3DCOLORWRITEENABLE_GREEN ? 0xFF00u : 0) |
                    (cw & D3DCOLORWRITEENABLE_BLUE ? 0xFFu : 0) | (cw & D3DCOLORWRITEENABLE_ALPHA ? 0xFF000000u : 0);
    ChooseFastPath(st);
    return st->clipX0 < st->clipX1 && st->clipY0 < st->clipY1;
}

HRESULT Device::Draw(D3DPRIMITIVETYPE type, UINT primitiveCount, const uint8_t* vertices, UINT vertexCount,
                     UINT stride, const void* indices, D3DFORMAT indexFormat, int32_t baseVertex) {
    const FvfLayout layout = DecodeFvf(fvf_);
    if (!layout.valid || stride < UINT(layout.stride)) return D3DERR_INVALIDCALL;
    ++D3D9Counters().drawCalls;
    D3D9Counters().primitives += primitiveCount;
    if (loss_ != DeviceLoss::None) return D3D_OK;
    static thread_local DrawState st;
    st = DrawState{};
    if (!BuildDrawState(&st)) return D3D_OK;
    const D3DMATRIX wvp = MultiplyMatrices(MultiplyMatrices(world_, view_), projection_);
    const ViewportMap map{float(viewport_.X), float(viewport_.Y), float(viewport_.Width), float(viewport_.Height),
                          viewport_.MinZ, viewport_.MaxZ};
    auto index = [&](UINT i) -> UINT {
        return indices ? UINT(int64_t(IndexAt(indices, indexFormat, i)) + baseVertex) : i;
    };
    // Pre-transformed vertices go straight to the screen; others are clipped per primitive.
    std::vector<ScreenVertex>& screen = screenVertices_;
    std::vector<ClipVertex> clip;
    if (layout.pretransformed) {
        screen.resize(vertexCount);
        for (UINT i = 0; i < vertexCount; ++i)
            FetchPretransformed(layout, vertices + size_t(i) * stride, &screen[i]);
    } else {
        clip.resize(vertexCount);
        for (UINT i = 0; i < vertexCount; ++i) clip[i] = FetchVertex(layout, vertices + size_t(i) * stride, wvp);
    }
    std::vector<ScreenVertex> clipped;
    auto triangle = [&](UINT a, UINT b, UINT c, UINT flat) {
        if (layout.pretransformed) {
            RasterTriangle(st, screen[a], screen[b], screen[c], screen[flat]);
            return;
        }
        const ClipVertex tri[3] = {clip[a], clip[b], clip[c]};
        ScreenVertex flatColors;
        flatColors.diffuse = clip[flat].diffuse;
        flatColors.specular = clip[flat].specular;
        if (InsideClipVolume(tri[0]) && InsideClipVolume(tri[1]) && InsideClipVolume(tri[2])) {
            RasterTriangle(st, MapToScreen(tri[0], map), MapToScreen(tri[1], map), MapToScreen(tri[2], map),
                           flatColors);
            return;
        }
        ClipAndMap(tri, 3, map, &clipped);
        for (size_t i = 2; i < clipped.size(); ++i) RasterTriangle(st, clipped[0], clipped[i - 1], clipped[i], flatColors);
    };
    auto line = [&](UINT a, UINT b) {
        if (layout.pretransformed) {
            RasterLine(st, screen[a], screen[b], screen[a]);
            return;
        }
        const ClipVertex seg[2] = {clip[a], clip[b]};
        ClipAndMap(seg, 2, map, &clipped);
        if (clipped.size() == 2) RasterLine(st, clipped[0], clipped[1], clipped[0]);
    };
    for (UINT p = 0; p < primitiveCount; ++p) {
        switch (type) {
            case D3DPT_TRIANGLELIST:
                // Sprites come as pairs of triangles forming a rectangle: drawn as one.
                if (layout.pretransformed && p + 1 < primitiveCount &&
                    RasterRectanglePair(st, screen[index(3 * p)], screen[index(3 * p + 1)], screen[index(3 * p + 2)],
                                        screen[index(3 * p + 3)], screen[index(3 * p + 4)], screen[index(3 * p + 5)])) {
                    ++p;
                    break;
                }
                triangle(index(3 * p), index(3 * p + 1), index(3 * p + 2), index(3 * p));
                break;
            case D3DPT_TRIANGLESTRIP:
                if (p % 2 == 0) triangle(index(p), index(p + 1), index(p + 2), index(p));
                else triangle(index(p), index(p + 2), index(p + 1), index(p));
                break;
            case D3DPT_TRIANGLEFAN: triangle(index(0), index(p + 1), index(p + 2), index(p + 1)); break;
            case D3DPT_LINELIST: line(index(2 * p), index(2 * p + 1)); break;
            case D3DPT_LINESTRIP: line(index(p), index(p + 1)); break;
            default: {
                const UINT i = index(p);
                if (layout.pretransformed) RasterPoint(st, screen[i]);
                else if (InsideClipVolume(clip[i])) RasterPoint(st, MapToScreen(clip[i], map));
            }
        }
    }
    renderTarget_->Touch();
    return D3D_OK;
}

HRESULT Device::DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void* vertices, UINT stride) {
    const UINT count = VertexCountFor(type, primitiveCount);
    if (!inScene_ || !vertices || stride == 0 || count == 0) return D3DERR_INVALIDCALL;
    ReplaceRef<VertexBuffer>(stream_, nullptr);
    return Draw(type, primitiveCount, static_cast<const uint8_t*>(vertices), count, stride, nullptr, D3DFMT_UNKNOWN, 0);
}

HRESULT Device::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minIndex, UINT numVertices, UINT primitiveCount,
                                       const void* indices, D3DFORMAT indexFormat, const void* vertices,
                                       UINT stride) {
    const UINT count = VertexCountFor(type, primitiveCount);
    if (!inScene_ || !vertices || !indices || stride == 0 || count == 0 || numVertices == 0 ||
        numVertices > kMaxVertices ||
        (indexFormat != D3DFMT_INDEX16 && indexFormat != D3DFMT_INDEX32))
        return D3DERR_INVALIDCALL;
    for (UINT i = 0; i < count; ++i) {
        const uint32_t v = IndexAt(indices, indexFormat, i);
        if (v < minIndex || v - minIndex >= numVertices) return D3DERR_INVALIDCALL;
    }
    ReplaceRef<VertexBuffer>(stream_, nullptr);
    ReplaceRef<IndexBuffer>(indices_, nullptr);
    const auto* base = static_cast<const uint8_t*>(vertices);
    return Draw(type, primitiveCount, base + size_t(minIndex) * stride, numVertices, stride, indices, indexFormat,
                -int32_t(minIndex));
}

HRESULT Device::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) {
    const UINT count = VertexCountFor(type, primitiveCount);
    if (!inScene_ || !stream_ || stream_->IsLocked() || streamStride_ == 0 || count == 0) return D3DERR_INVALIDCALL;
    const uint64_t end = uint64_t(streamOffset_) + (uint64_t(startVertex) + count) * streamStride_;
    if (end > stream_->Length()) return D3DERR_INVALIDCALL;
    return Draw(type, primitiveCount, stream_->Bytes() + streamOffset_ + size_t(startVertex) * streamStride_, count,
                streamStride_, nullptr, D3DFMT_UNKNOWN, 0);
}

HRESULT Device::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, int32_t baseVertex, UINT minIndex, UINT numVertices,
                                     UINT startIndex, UINT primitiveCount) {
    const UINT count = VertexCountFor(type, primitiveCount);
    if (!inScene_ || !stream_ || !indices_ || stream_->IsLocked() || indices_->IsLocked() || streamStride_ == 0 ||
        count == 0 || numVertices == 0 || numVertices > kMaxVertices)
        return D3DERR_INVALIDCALL;
    const D3DFORMAT format = indices_->Format();
    const uint64_t indexBytes = format == D3DFMT_INDEX16 ? 2 : 4;
    if ((uint64_t(startIndex) + count) * indexBytes > indices_->Length()) return D3DERR_INVALIDCALL;
    const int64_t first = int64_t(baseVertex) + minIndex;
    if (first < 0 || uint64_t(streamOffset_) + (uint64_t(first) + numVertices) * streamStride_ > stream_->Length())
        return D3DERR_INVALIDCALL;
    const uint8_t* indexData = indices_->Bytes() + size_t(startIndex) * indexBytes;
    for (UINT i = 0; i < count; ++i) {
        const uint32_t v = IndexAt(indexData, format, i);
        if (v < minIndex || v - minIndex >= numVertices) return D3DERR_INVALIDCALL;
    }
    return Draw(type, primitiveCount, stream_->Bytes() + streamOffset_ + size_t(first) * streamStride_, numVertices,
                streamStride_, indexData, format, -int32_t(minIndex));
}

}  // namespace host
