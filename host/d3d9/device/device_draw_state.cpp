// The per-call snapshot of the device's states that the rasteriser reads, and the choice
// of the fast spans.
#include <algorithm>
#include <cstring>

#include "host/d3d9/device/d3d9_host.h"
#include "host/d3d9/device/device.h"
#include "host/d3d9/raster/fast_span.h"
#include "host/d3d9/resources/pixel_format.h"
#include "host/d3d9/resources/texture_views.h"

namespace host {
namespace {

// The alpha test's pass table. Every comparison passes one run of alphas or all but one
// value, so the table is filled by runs rather than compared value by value (this ran
// for every draw call).
void FillAlphaPass(bool enabled, DWORD func, uint32_t ref, bool pass[256]) {
    if (!enabled || func == D3DCMP_ALWAYS || func < D3DCMP_NEVER || func > D3DCMP_ALWAYS) {
        std::fill_n(pass, 256, true);
        return;
    }
    std::fill_n(pass, 256, func == D3DCMP_NOTEQUAL);
    switch (func) {
        case D3DCMP_LESS: std::fill_n(pass, ref, true); break;
        case D3DCMP_EQUAL: pass[ref] = true; break;
        case D3DCMP_LESSEQUAL: std::fill_n(pass, ref + 1, true); break;
        case D3DCMP_GREATER: std::fill(pass + ref + 1, pass + 256, true); break;
        case D3DCMP_NOTEQUAL: pass[ref] = false; break;
        case D3DCMP_GREATEREQUAL: std::fill(pass + ref, pass + 256, true); break;
        default: break;  // never
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

// Point sampling of one level of a 2D texture with clamping.
bool FastSampler(const StageSampler& s) {
    const bool point = s.magFilter <= D3DTEXF_POINT && s.minFilter <= D3DTEXF_POINT;
    const bool oneLevel = s.mipFilter == D3DTEXF_NONE || s.levelCount == 1;
    return s.type == D3DRTYPE_TEXTURE && point && oneLevel && s.maxLevel == 0 && s.addressU == D3DTADDRESS_CLAMP &&
           s.addressV == D3DTADDRESS_CLAMP;
}

// A second stage that passes the colour on and takes the alpha of its own texture, maybe
// complemented: the mask screen's composite.
bool SecondStageAlpha(const DrawState& st, uint32_t* alphaXor) {
    const StageOps& o = st.ops[1];
    if (o.colorOp != D3DTOP_SELECTARG1 || o.colorArg[1] != D3DTA_CURRENT || o.alphaOp != D3DTOP_SELECTARG1 ||
        (o.alphaArg[1] & ~D3DTA_COMPLEMENT) != D3DTA_TEXTURE || (o.resultArg & D3DTA_SELECTMASK) != D3DTA_CURRENT)
        return false;
    if (st.samplers[1].levelCount == 0 || !FastSampler(st.samplers[1])) return false;
    *alphaXor = o.alphaArg[1] & D3DTA_COMPLEMENT ? 255u : 0u;
    return true;
}

}  // namespace

bool FastBlendOf(const DrawState& st, FastBlend* out) {
    if (!st.blend) {
        *out = FastBlend::None;
        return true;
    }
    const bool sameAlpha = st.srcBlendAlpha == st.srcBlend && st.destBlendAlpha == st.destBlend &&
                           st.blendOpAlpha == st.blendOp;
    if (!sameAlpha || st.blendOp != D3DBLENDOP_ADD || st.srcBlend != D3DBLEND_SRCALPHA) return false;
    if (st.destBlend == D3DBLEND_INVSRCALPHA) *out = FastBlend::Alpha;
    else if (st.destBlend == D3DBLEND_ONE) *out = FastBlend::Add;
    else return false;
    return true;
}

namespace {

void ChooseFastPath(DrawState* st) {
    st->fast = false;
    if (D3D9Settings().forceGenericPath) return;
    // Targets whose pixels survive widening and narrowing unchanged (no unused bits).
    const D3DFORMAT f = st->targetFormat;
    const bool target = f == D3DFMT_A8R8G8B8 || f == D3DFMT_X8R8G8B8 || f == D3DFMT_R5G6B5 ||
                        f == D3DFMT_A1R5G5B5 || f == D3DFMT_A4R4G4B4;
    if (!target || st->depthTest || st->stencil.values || st->addSpecular || st->fog.enabled ||
        st->writeMask != 0xFFFFFFFFu || st->fillMode != D3DFILL_SOLID || st->stageCount > 2 ||
        !FastBlendOf(*st, &st->fastBlend))
        return;
    if (st->stageCount == 0) {
        st->fastColor = st->fastAlpha = FastSource::Diffuse;
        st->fast = true;
        return;
    }
    const StageOps& o = st->ops[0];
    if ((o.resultArg & D3DTA_SELECTMASK) != D3DTA_CURRENT) return;
    if (!FastSourceOf(o.colorOp, o.colorArg[1], o.colorArg[2], &st->fastColor)) return;
    if (st->stageCount == 2) {
        if (!SecondStageAlpha(*st, &st->fastSecondXor)) return;
        st->fastAlpha = FastSource::Second;
    } else if (o.alphaOp == D3DTOP_DISABLE) {
        st->fastAlpha = FastSource::Diffuse;
    } else if (!FastSourceOf(o.alphaOp, o.alphaArg[1], o.alphaArg[2], &st->fastAlpha)) {
        return;
    }
    if (st->stageUsesTexture[0] && st->samplers[0].levelCount > 0 && !FastSampler(st->samplers[0])) return;
    st->fast = true;
}

// The fields that BuildDrawState sets only on some paths or that a draw's later steps
// change (sample planes, coordinate division, the triangle's winding), back to their
// defaults for a state kept from the previous call.
void ResetConditionalFields(DrawState* st) {
    st->depth = nullptr;
    st->depthPitch = 0;
    st->depthWrite = false;
    st->depthFunc = D3DCMP_LESSEQUAL;
    st->counterClockwise = false;
    st->sampleX = st->sampleY = 0;
    st->projectedStages = 0;
    st->fast = false;
    st->fastColor = st->fastAlpha = FastSource::Texel;
    st->fastBlend = FastBlend::None;
    st->fastSecondXor = 0;
}

// The alpha test's table and its threshold, filled again only when the test changed.
void UpdateAlphaPass(const DWORD* rs, DrawState* st) {
    const bool enabled = rs[D3DRS_ALPHATESTENABLE] != 0;
    const DWORD func = rs[D3DRS_ALPHAFUNC], ref = rs[D3DRS_ALPHAREF] & 255;
    // Functions outside the comparisons pass everything, as a disabled test does.
    const uint32_t key = enabled && func <= D3DCMP_ALWAYS ? (func << 8 | ref) : 0xFFFFu;
    if (key == st->alphaPassKey) return;
    FillAlphaPass(enabled, func, ref, st->alphaPass);
    st->alphaPassFrom = AlphaPassFrom(enabled, func, ref);
    st->alphaPassKey = key;
}

// The viewport within the target, narrowed by the scissor rectangle when its test is on.
void FillClip(const D3DVIEWPORT9& viewport, const RECT* scissor, const Surface& rt, DrawState* st) {
    st->clipX0 = int(viewport.X);
    st->clipY0 = int(viewport.Y);
    st->clipX1 = int(std::min<uint64_t>(uint64_t(viewport.X) + viewport.Width, rt.Width()));
    st->clipY1 = int(std::min<uint64_t>(uint64_t(viewport.Y) + viewport.Height, rt.Height()));
    if (!scissor) return;
    st->clipX0 = std::max(st->clipX0, int(scissor->left));
    st->clipY0 = std::max(st->clipY0, int(scissor->top));
    st->clipX1 = std::min(st->clipX1, int(scissor->right));
    st->clipY1 = std::min(st->clipY1, int(scissor->bottom));
}

// The depth test and the stencil on `depthStencil` (none: neither), which also bounds
// the clip rectangle when either reads it.
void FillDepthStencil(const DWORD* rs, Surface* depthStencil, DrawState* st) {
    st->depthTest = rs[D3DRS_ZENABLE] != D3DZB_FALSE && depthStencil;
    BuildStencilState(rs, depthStencil, &st->stencil);
    if (st->depthTest) {
        st->depth = depthStencil->Depth();
        st->depthPitch = depthStencil->Width();
        st->depthWrite = rs[D3DRS_ZWRITEENABLE] != 0;
        st->depthFunc = rs[D3DRS_ZFUNC];
    }
    if (st->depthTest || st->stencil.values) {
        st->clipX1 = std::min(st->clipX1, int(depthStencil->Width()));
        st->clipY1 = std::min(st->clipY1, int(depthStencil->Height()));
    }
}

void FillStageOps(const DWORD* t, StageOps* o) {
    o->colorOp = t[D3DTSS_COLOROP];
    o->colorArg[0] = t[D3DTSS_COLORARG0];
    o->colorArg[1] = t[D3DTSS_COLORARG1];
    o->colorArg[2] = t[D3DTSS_COLORARG2];
    o->alphaOp = t[D3DTSS_ALPHAOP];
    o->alphaArg[0] = t[D3DTSS_ALPHAARG0];
    o->alphaArg[1] = t[D3DTSS_ALPHAARG1];
    o->alphaArg[2] = t[D3DTSS_ALPHAARG2];
    o->resultArg = t[D3DTSS_RESULTARG];
    o->texSet = int(std::min<DWORD>(t[D3DTSS_TEXCOORDINDEX] & 0xFFFF, kMaxTexCoordSets - 1));
}

// The blend factors and operations (the both-alpha factors spelled out, the alpha's own
// only when separate), and the colour channels written.
void FillBlend(const DWORD* rs, DrawState* st) {
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
}

}  // namespace

void Device::FillSampler(int s, bool withTexture, StageSampler* smp) const {
    const DWORD* m = samplerStates_[s];
    smp->addressU = m[D3DSAMP_ADDRESSU];
    smp->addressV = m[D3DSAMP_ADDRESSV];
    smp->border = m[D3DSAMP_BORDERCOLOR];
    smp->magFilter = m[D3DSAMP_MAGFILTER];
    smp->minFilter = m[D3DSAMP_MINFILTER];
    smp->mipFilter = m[D3DSAMP_MIPFILTER];
    std::memcpy(&smp->lodBias, &m[D3DSAMP_MIPMAPLODBIAS], 4);
    smp->maxLevel = int(std::min<DWORD>(m[D3DSAMP_MAXMIPLEVEL], 15));
    smp->maxAnisotropy = int(std::clamp<DWORD>(m[D3DSAMP_MAXANISOTROPY], 1, kMaxAnisotropy));
    smp->addressW = m[D3DSAMP_ADDRESSW];
    smp->levelCount = 0;
    smp->type = D3DRTYPE_TEXTURE;
    if (textures_[s] && withTexture) FillStageTexels(textures_[s], smp);
}

// The target, its clip rectangle and the depth-stencil surface that serves it.
void Device::FillTargetState(Surface* rt, bool prepares, DrawState* st) const {
    const DWORD* rs = renderStates_.data();
    st->deferredTarget = prepares && rt->CanDefer() && !D3D9Settings().forceGenericPath ? rt : nullptr;
    st->targetPitch = rt->Pitch();
    st->targetFormat = rt->Format();
    const PixelFormatInfo* format = FindPixelFormat(rt->Format());
    st->targetBytes = format->bytes;
    st->targetAlphaOr = format->alpha ? 0 : 0xFF000000u;
    FillClip(viewport_, rs[D3DRS_SCISSORTESTENABLE] ? &scissor_ : nullptr, *rt, st);
    // A depth-stencil surface serves only targets with as many samples.
    FillDepthStencil(rs, depthStencil_ && depthStencil_->Samples() == rt->Samples() ? depthStencil_ : nullptr, st);
    // A draw writes inside its clip rectangle alone.
    st->target = st->deferredTarget ? rt->DrawBits(RECT{st->clipX0, st->clipY0, st->clipX1, st->clipY1}) : rt->Bits();
}

// The texture stages up to the first disabled one (none under a pixel shader), each with
// its sampler, which holds texels only when the stage reads its texture.
void Device::FillStages(DrawState* st) const {
    st->stageCount = 0;
    while (!pixelShader_ && st->stageCount < kMaxStages && stageStates_[st->stageCount][D3DTSS_COLOROP] != D3DTOP_DISABLE)
        ++st->stageCount;
    for (int s = 0; s < st->stageCount; ++s) {
        FillStageOps(stageStates_[s], &st->ops[s]);
        st->stageUsesTexture[s] = ReadsTexture(st->ops[s]);
        FillSampler(s, st->stageUsesTexture[s], &st->samplers[s]);
    }
}

bool Device::BuildDrawState(DrawState* st, bool prepares) {
    Surface* rt = renderTarget_;
    if (!rt) return false;
    ResetConditionalFields(st);
    const DWORD* rs = renderStates_.data();
    FillTargetState(rt, prepares, st);
    st->cullMode = rs[D3DRS_CULLMODE];
    st->fillMode = rs[D3DRS_FILLMODE];
    st->gouraud = rs[D3DRS_SHADEMODE] != D3DSHADE_FLAT;
    FillStages(st);
    st->textureFactor = rs[D3DRS_TEXTUREFACTOR];
    // Lit vertices have a specular colour whatever their format.
    st->addSpecular = rs[D3DRS_SPECULARENABLE] && !pixelShader_ &&
                      (vertexShader_ || VertexLayout().specular.Present() || LightsVertices());
    st->fog = MakePixelFog(rs, projection_);
    UpdateAlphaPass(rs, st);
    FillBlend(rs, st);
    if (!pixelShader_) ChooseFastPath(st);
    if (st->fast) ChooseFastFunctions(st);
    return st->clipX0 < st->clipX1 && st->clipY0 < st->clipY1;
}

}  // namespace host
