#include "engine/graphics/device/state_cache.h"

#include <bit>
#include <cstring>

#include "engine/graphics/draw/blend_mask.h"
#include "engine/graphics/draw/blend_helper_graph.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/draw/draw_target.h"
#include "engine/graphics/device/graphics_system.h"
#include "engine/graphics/shaders/shader_constants.h"
#include "engine/graphics/shaders/shader_registers.h"
#include "engine/graphics/device/stage_setup.h"
#include "engine/graphics/device/state_cache_write.h"
#include "engine/graphics/device/vertex_batch.h"
#include "engine/platform/base/log.h"
#include "engine/platform/base/matrix.h"
#include "host/d3d9/device/device.h"

namespace orvik {

using namespace host;

namespace {

DeviceStateCache g_cache;

Device* Dev() { return Graphics().dev.device; }

int SamplerCached(int stage, D3DSAMPLERSTATETYPE type, uint32_t value) {
    return CachedWrite(g_cache.sampler[size_t(stage)][type], value,
                  [&] { Dev()->SetSamplerState(DWORD(stage), type, value); });
}

int AddressCached(D3DSAMPLERSTATETYPE type, int mode, int stage) {
    if (stage < -1 || stage > 7) return -1;
    if (!Dev()) return -1;
    int first = stage < 0 ? 0 : stage, last = stage < 0 ? 7 : stage;
    for (int s = first; s <= last; ++s) {
        Draw().textureAddress[size_t(s)][type - D3DSAMP_ADDRESSU] = mode;
        SamplerCached(s, type, uint32_t(mode));
    }
    return 0;
}

// Blend factors by blend mode: destination, source, stage kind, operation (-1 keeps).
struct BlendRow {
    int32_t dest, source, stageKind, op;
};
constexpr BlendRow kBlendRows[15] = {
    {-1, -1, 0, D3DBLENDOP_ADD},
    {D3DBLEND_INVSRCALPHA, D3DBLEND_SRCALPHA, 0, D3DBLENDOP_ADD},
    {D3DBLEND_ONE, D3DBLEND_SRCALPHA, 0, D3DBLENDOP_ADD},
    {D3DBLEND_ZERO, D3DBLEND_INVDESTCOLOR, 0, D3DBLENDOP_ADD},
    {D3DBLEND_SRCCOLOR, D3DBLEND_ZERO, 0, D3DBLENDOP_ADD},
    {D3DBLEND_ONE, D3DBLEND_SRCALPHA, 0, D3DBLENDOP_ADD},
    {-1, -1, 0, D3DBLENDOP_ADD},
    {-1, -1, 0, D3DBLENDOP_ADD},
    {D3DBLEND_ONE, D3DBLEND_ZERO, 0, D3DBLENDOP_ADD},
    {D3DBLEND_ZERO, D3DBLEND_INVDESTCOLOR, 0, D3DBLENDOP_ADD},
    {D3DBLEND_INVSRCALPHA, D3DBLEND_SRCALPHA, 2, D3DBLENDOP_ADD},
    {D3DBLEND_SRCCOLOR, D3DBLEND_ZERO, 1, D3DBLENDOP_ADD},
    {D3DBLEND_INVSRCALPHA, D3DBLEND_SRCALPHA, 3, D3DBLENDOP_ADD},
    {D3DBLEND_ONE, D3DBLEND_SRCALPHA, 3, D3DBLENDOP_ADD},
    {D3DBLEND_ONE, D3DBLEND_SRCALPHA, 0, D3DBLENDOP_REVSUBTRACT},
};

int ClampMode(int mode) { return mode < 0 || mode > 14 ? 0 : mode; }

// Stage 0 samples the draw's texture (or the helper graphic); stage 1 the mask, when
// the record samples two stages.
void BindStageTextures(Device* d, Texture* first, int stages) {
    d->SetTexture(0, first);
    d->SetTexture(1, stages > 1 ? g_cache.blendTexture : nullptr);
}

// The sampler filters follow the number of texture stages in use.
void NoteTextureStages(int stages) {
    if (stages == g_cache.stagesInUse) return;
    g_cache.stagesInUse = stages;
    int saved = g_cache.force;
    g_cache.force = 1;
    ApplyDrawFilterMode(Draw().filterMode);
    SetMaxAnisotropyCached(Draw().maxAnisotropy);
    g_cache.force = saved;
}

// The texture factor's colour stays white (the multiply-and-blend kinds mix toward it);
// its alpha carries the mask threshold. Shaders read it from pixel register 5.
void SetTextureFactor(uint32_t factor) {
    SetRenderStateCached(D3DRS_TEXTUREFACTOR, factor);
    float f[4];
    for (int i = 0; i < 4; ++i) f[i] = float(factor >> (8 * i) & 255) / 255.0f;
    SetPixelShaderConstants(kPcTextureFactor, f, 1);
}

}  // namespace

DeviceStateCache& StateCache() { return g_cache; }

void ResetDeviceStateCache() {
    const uint64_t writes = g_cache.writes;
    g_cache = DeviceStateCache{};
    g_cache.writes = writes + 1;
}

void ForgetShaderShadows() {
    g_cache.fvf = 0;
    g_cache.vertexShader = nullptr;
    g_cache.pixelShader = nullptr;
}

int SetRenderStateCached(D3DRENDERSTATETYPE state, uint32_t value) {
    if (Dev() && !g_cache.renderKnown[state]) {
        // The first write always reaches the device: the shadow holds nothing yet.
        FlushVertexBatch();
        Dev()->SetRenderState(state, value);
        g_cache.render[state] = value;
        g_cache.renderKnown[state] = 1;
        ++g_cache.writes;
        return 0;
    }
    return CachedWrite(g_cache.render[state], value, [&] { Dev()->SetRenderState(state, value); });
}

int SetZEnableCached(int on) { return SetRenderStateCached(D3DRS_ZENABLE, on == 1 ? D3DZB_TRUE : D3DZB_FALSE); }
int ApplyZEnableCached(int depth3D) { return SetZEnableCached(depth3D ? Draw().zEnable3D : Draw().zEnable2D); }
int SetZWriteEnableCached(int on) { return SetRenderStateCached(D3DRS_ZWRITEENABLE, on ? 1 : 0); }
int SetZFuncCached(int func) { return SetRenderStateCached(D3DRS_ZFUNC, uint32_t(func)); }
int SetDepthBiasCached(float bias) { return SetRenderStateCached(D3DRS_DEPTHBIAS, std::bit_cast<uint32_t>(bias)); }
int SetCullModeCached(int mode) { return SetRenderStateCached(D3DRS_CULLMODE, uint32_t(mode)); }
int SetLightingEnable(int on) { return SetRenderStateCached(D3DRS_LIGHTING, on ? 1 : 0); }
int SetFogEnableCached(int on) { return SetRenderStateCached(D3DRS_FOGENABLE, on ? 1 : 0); }
int SetFogModeCached(int mode) {
    const int32_t modes[4] = {mode == D3DFOG_NONE, mode == D3DFOG_EXP, mode == D3DFOG_EXP2, mode == D3DFOG_LINEAR};
    SetVertexShaderBools(kVbFogModes, modes, 4);
    return SetRenderStateCached(D3DRS_FOGVERTEXMODE, uint32_t(mode));
}
int SetFogColorCached(uint32_t color) { return SetRenderStateCached(D3DRS_FOGCOLOR, color); }

int SetFogRangeCached(float start, float end) {
    if (SetRenderStateCached(D3DRS_FOGSTART, std::bit_cast<uint32_t>(start)) != 0) return -1;
    SetRenderStateCached(D3DRS_FOGEND, std::bit_cast<uint32_t>(end));
    MirrorFogConstants();
    return 0;
}

int SetFogDensityCached(float density) {
    if (SetRenderStateCached(D3DRS_FOGDENSITY, std::bit_cast<uint32_t>(density)) != 0) return -1;
    MirrorFogConstants();
    return 0;
}

int SetAmbientColorCached(uint32_t rgb) {
    if (SetRenderStateCached(D3DRS_AMBIENT, rgb & 0xFFFFFF) != 0) return -1;
    const float ambient[4] = {float(rgb >> 16 & 255) / 255.0f, float(rgb >> 8 & 255) / 255.0f, float(rgb & 255) / 255.0f, 1.0f};
    SetVertexShaderConstants(kVcAmbient, ambient, 1);
    return UploadLightConstants();
}

int SetDiffuseMaterialSourceCached(int source) {
    return SetRenderStateCached(D3DRS_DIFFUSEMATERIALSOURCE, uint32_t(source));
}

int SetSpecularMaterialSourceCached(int on) {
    return SetRenderStateCached(D3DRS_SPECULARMATERIALSOURCE, on ? D3DMCS_COLOR2 : D3DMCS_MATERIAL);
}

int SetMaterialCached(const D3DMATERIAL9& material) {
    return CachedWrite(g_cache.material, material, [&] {
        Dev()->SetMaterial(&material);
        MirrorMaterialConstants(material);
    });
}

int SetTextureAddressU(int mode, int stage) { return AddressCached(D3DSAMP_ADDRESSU, mode, stage); }
int SetTextureAddressV(int mode, int stage) { return AddressCached(D3DSAMP_ADDRESSV, mode, stage); }
int SetTextureAddressW(int mode, int stage) { return AddressCached(D3DSAMP_ADDRESSW, mode, stage); }

int ApplyTextureAddressing(int fromDrawState) {
    if (!Dev()) return -1;
    const int stages = fromDrawState ? 8 : 4;
    for (int s = 0; s < stages; ++s)
        for (int axis = 0; axis < 3; ++axis) {
            const int mode = fromDrawState ? Draw().textureAddress[size_t(s)][size_t(axis)] : int(D3DTADDRESS_CLAMP);
            SamplerCached(s, D3DSAMPLERSTATETYPE(D3DSAMP_ADDRESSU + axis), uint32_t(mode));
        }
    return 0;
}

int SetMaxAnisotropyCached(int value) {
    if (!Dev()) return -1;
    for (int s = 0; s < 8; ++s) SamplerCached(s, D3DSAMP_MAXANISOTROPY, uint32_t(value < 1 ? 1 : value));
    return 0;
}

int ApplyDrawFilterMode(int mode) {
    if (!Dev()) return -1;
    uint32_t mag = D3DTEXF_LINEAR, min = D3DTEXF_ANISOTROPIC, mip = D3DTEXF_LINEAR;
    if (mode == 0) mag = min = D3DTEXF_POINT, mip = D3DTEXF_NONE;
    if (mode == 1) mag = min = D3DTEXF_LINEAR, mip = D3DTEXF_NONE;
    for (int s = 0; s < 8; ++s) {
        SamplerCached(s, D3DSAMP_MAGFILTER, mag);
        SamplerCached(s, D3DSAMP_MINFILTER, min);
        SamplerCached(s, D3DSAMP_MIPFILTER, mip);
    }
    return 0;
}

int ResetTexCoordIndexStates() {
    if (!Dev()) return -1;
    for (uint32_t s = 0; s < 8; ++s)
        CachedWrite(g_cache.texCoordIndex[s], s, [&] { Dev()->SetTextureStageState(s, D3DTSS_TEXCOORDINDEX, s); });
    return 0;
}

int SetTextureTransformCached(int stage, int on, const Matrix4& m) {
    if (stage < 0 || stage > 3) {
        return AddLogFormat("テクスチャ座標変換のステージ番号 %d が不正です", stage);
    }
    DeviceStateCache::TextureTransform wanted{on ? uint32_t(D3DTTFF_COUNT3) : uint32_t(D3DTTFF_DISABLE), ToD3DMatrix(m)};
    return CachedWrite(g_cache.textureTransform[size_t(stage)], wanted, [&] {
        Dev()->SetTransform(D3DTRANSFORMSTATETYPE(D3DTS_TEXTURE0 + stage), &wanted.matrix);
        Dev()->SetTextureStageState(DWORD(stage), D3DTSS_TEXTURETRANSFORMFLAGS, wanted.flags);
    });
}

int SetViewportCached(const D3DVIEWPORT9& viewport) {
    if (!Dev()) return -1;
    const D3DVIEWPORT9& v = g_cache.viewport;
    if (!g_cache.force && v.X == viewport.X && v.Y == viewport.Y && v.Width == viewport.Width &&
        v.Height == viewport.Height)
        return 0;
    FlushVertexBatch();
    EndSceneIfBegun();
    HRESULT hr = Dev()->SetViewport(&viewport);
    if (FAILED(hr)) return AddLogFormat("ビューポートのセットに失敗しました ErrorCode %x", unsigned(hr)), 0;
    g_cache.viewport = viewport;
    return 0;
}

int SetViewportRect(int x, int y, int width, int height) {
    const TargetOrigin o = CurrentTargetOrigin();
    D3DVIEWPORT9 v;
    v.X = DWORD(x + o.x), v.Y = DWORD(y + o.y), v.Width = DWORD(width), v.Height = DWORD(height);
    return SetViewportCached(v);
}

int SetScissorRectCached(const RECT& rect) {
    if (!Dev()) return -1;
    return CachedWrite(g_cache.scissor, rect, [&] {
        EndSceneIfBegun();
        Dev()->SetScissorRect(&rect);
    });
}

int SetRenderTargetSurface(Surface* surface) {
    if (!Dev() || !surface) return -1;
    int result = CachedWrite(g_cache.renderTarget, surface, [&] { Dev()->SetRenderTarget(0, surface); });
    D3DSURFACE_DESC desc;
    surface->GetDesc(&desc);
    int saved = g_cache.force;
    g_cache.force = 1;
    D3DVIEWPORT9 whole;
    whole.X = whole.Y = 0, whole.Width = desc.Width, whole.Height = desc.Height;
    SetViewportCached(whole);
    g_cache.force = saved;
    return result;
}

int SetVertexShaderCached(VertexShader* shader) {
    return CachedWrite(g_cache.vertexShader, shader, [&] { Dev()->SetVertexShader(shader); });
}

int SetPixelShaderCached(PixelShader* shader) {
    return CachedWrite(g_cache.pixelShader, shader, [&] { Dev()->SetPixelShader(shader); });
}

int ForceRenderTargetSurface(Surface* surface) {
    int saved = g_cache.force;
    g_cache.force = 1;
    int result = SetRenderTargetSurface(surface);
    g_cache.force = saved;
    return result;
}

int SetAlphaTestCached(int func, int ref) {
    if (func == g_cache.alphaTestFunc && ref == g_cache.alphaTestRef && !g_cache.force) return 0;
    FlushVertexBatch();
    g_cache.alphaTestFunc = func;
    g_cache.alphaTestRef = ref;
    g_cache.setupChanged = 1;
    return 0;
}

int SetDrawTextureCached(Texture* texture) {
    if (texture == g_cache.drawTexture && !g_cache.force) return 0;
    FlushVertexBatch();
    if ((texture == nullptr) != (g_cache.drawTexture == nullptr)) g_cache.setupChanged = 1;
    g_cache.drawTexture = texture;
    g_cache.textureChanged = 1;
    return 0;
}

int SetDrawBlendModeCached(int mode, int param) {
    if (mode == g_cache.blendMode && param == g_cache.blendParam && !g_cache.force) return 0;
    FlushVertexBatch();
    g_cache.blendMode = mode;
    g_cache.blendParam = param;
    g_cache.setupChanged = 1;
    return 0;
}

int SetBlendTextureCached(Texture* texture, int border, int range) {
    if (border < 0) border = g_cache.blendBorder;
    if (range < 0) range = g_cache.blendRange;
    if (texture == g_cache.blendTexture && border == g_cache.blendBorder && range == g_cache.blendRange && !g_cache.force)
        return 0;
    FlushVertexBatch();
    g_cache.blendTexture = texture;
    g_cache.blendBorder = border;
    g_cache.blendRange = range;
    g_cache.setupChanged = 1;
    return 0;
}

int BlendStageKind(int mode) { return kBlendRows[ClampMode(mode)].stageKind; }

int SetupDrawDeviceState() {
    Device* d = Dev();
    if (!d) return -1;
    // Only the texture changed since the last set-up (a map's tiles from two sheets): the
    // blend, the alpha test, the texture factor and the stages it wrote all stand.
    if (!g_cache.setupChanged && !g_cache.force && g_cache.drawTexture) {
        BindStageTextures(d, g_cache.drawTexture, g_cache.boundStages);
        g_cache.textureChanged = 0;
        return 0;
    }
    const int mode = ClampMode(g_cache.blendMode);
    BlendRow row = kBlendRows[mode];
    if (mode == 3 && Graphics().dev.blendOpCaps) row = BlendRow{D3DBLEND_ONE, D3DBLEND_SRCALPHA, 0, D3DBLENDOP_REVSUBTRACT};
    const bool textured = g_cache.drawTexture != nullptr;
    StageInputs in;
    in.textured = textured;
    in.kind = row.stageKind;
    in.masked = textured && g_cache.blendTexture != nullptr;
    in.multiply = row.dest == D3DBLEND_SRCCOLOR && row.stageKind != 1;
    in.tempRegister = Graphics().dev.tssArgTemp;
    in.ramp = BlendMaskRamp(g_cache.blendBorder, g_cache.blendRange);
    SetRenderStateCached(D3DRS_ALPHABLENDENABLE, mode == 0 || mode == 6 ? 0 : 1);
    if (row.dest >= 0) SetRenderStateCached(D3DRS_DESTBLEND, uint32_t(row.dest));
    if (row.source >= 0) SetRenderStateCached(D3DRS_SRCBLEND, uint32_t(row.source));
    SetRenderStateCached(D3DRS_BLENDOP, uint32_t(row.op));
    SetTextureFactor(in.masked ? BlendMaskTextureFactor(in.ramp) : 0xFFFFFFFFu);
    // The alpha test: the stored function and reference, or the blend mode's default
    // (textured draws drop fully transparent texels).
    int func = g_cache.alphaTestFunc, ref = g_cache.alphaTestRef;
    if (func < 0) func = textured ? D3DCMP_GREATER : D3DCMP_ALWAYS, ref = 0;
    SetRenderStateCached(D3DRS_ALPHATESTENABLE, func == D3DCMP_ALWAYS ? 0 : 1);
    SetRenderStateCached(D3DRS_ALPHAFUNC, uint32_t(func));
    SetRenderStateCached(D3DRS_ALPHAREF, uint32_t(ref));
    const StageRecord record = BuildStageRecord(in);
    const int stages = TextureStagesOf(record);
    if (g_cache.setupChanged || g_cache.force) {
        WriteStageRecord(d, record, Graphics().dev.tssArgTemp != 0, g_cache.texCoordIndex);
        NoteTextureStages(stages);
    }
    BindStageTextures(d, textured ? g_cache.drawTexture : row.stageKind == 3 ? BlendHelperTexture() : nullptr, stages);
    g_cache.boundStages = stages;
    g_cache.maskedDraw = in.masked;
    g_cache.drawsNothing = in.masked && g_cache.blendBorder >= 255;
    g_cache.textureChanged = 0;
    g_cache.setupChanged = 0;
    return 0;
}

int BeginSceneIfNeeded() {
    DeviceObjects& dev = Graphics().dev;
    if (!dev.device) return -1;
    if (!dev.sceneBegun && SUCCEEDED(dev.device->BeginScene())) dev.sceneBegun = 1;
    return 0;
}

int EndSceneIfBegun() {
    DeviceObjects& dev = Graphics().dev;
    if (!dev.device) return -1;
    if (dev.sceneBegun) {
        dev.device->EndScene();
        dev.sceneBegun = 0;
    }
    return 0;
}

int InitDeviceStates() {
    Device* d = Dev();
    if (!d) return -1;
    InitVertexBatchBuffers();
    DrawSettings& ds = Draw();
    for (auto& stage : ds.textureAddress)
        for (int32_t& a : stage)
            if (a == 0) a = D3DTADDRESS_CLAMP;
    const std::pair<D3DRENDERSTATETYPE, uint32_t> start[] = {
        {D3DRS_CULLMODE, D3DCULL_NONE},        {D3DRS_LIGHTING, 1},
        {D3DRS_SHADEMODE, D3DSHADE_FLAT},      {D3DRS_DITHERENABLE, 0},
        {D3DRS_SPECULARENABLE, 1},             {D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL},
        {D3DRS_NORMALIZENORMALS, 1},           {D3DRS_FOGENABLE, 0},
        {D3DRS_FOGVERTEXMODE, D3DFOG_NONE},    {D3DRS_FOGCOLOR, 0},
        {D3DRS_FOGSTART, std::bit_cast<uint32_t>(0.0f)}, {D3DRS_FOGEND, std::bit_cast<uint32_t>(1.0f)},
    };
    for (auto [state, value] : start) SetRenderStateCached(state, value);
    d->GetMaterial(&g_cache.material);
    // The viewport the device starts with covers its render target: re-applying the
    // cleared shadow's empty one would be refused.
    d->GetViewport(&g_cache.viewport);
    Graphics().dev.sceneBegun = 0;
    ReapplyDeviceStates();
    Matrix4 identity;
    SetUnitMatrix(&identity);
    SetWorldMatrix(identity);
    return 0;
}

int ReapplyDeviceStates() {
    Device* d = Dev();
    if (!d) return -1;
    DrawSettings& ds = Draw();
    g_cache.force = 1;
    SetViewportCached(g_cache.viewport);
    SetScissorRectCached(g_cache.scissor);
    // The base states go straight to the device; the cached values below win over them.
    for (DWORD s = 0; s < 4; ++s) {
        const auto& address = ds.textureAddress[s];
        d->SetSamplerState(s, D3DSAMP_ADDRESSU, address[0] ? DWORD(address[0]) : DWORD(D3DTADDRESS_CLAMP));
        d->SetSamplerState(s, D3DSAMP_ADDRESSV, address[1] ? DWORD(address[1]) : DWORD(D3DTADDRESS_CLAMP));
        d->SetSamplerState(s, D3DSAMP_ADDRESSW, address[2] ? DWORD(address[2]) : DWORD(D3DTADDRESS_CLAMP));
    }
    ResetTexCoordIndexStates();
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d->SetRenderState(D3DRS_DITHERENABLE, 0);
    SetDefaultShaderConstants();
    SetVertexShaderCached(nullptr);
    SetPixelShaderCached(nullptr);
    ApplyDrawFilterMode(ds.filterMode);
    SetMaxAnisotropyCached(ds.maxAnisotropy);
    g_cache.setupChanged = 1;
    // The mask's texture may be gone with the old device; the next draw names it again.
    g_cache.blendTexture = nullptr;
    SetupDrawDeviceState();
    for (D3DRENDERSTATETYPE state : {D3DRS_ZENABLE, D3DRS_ZWRITEENABLE, D3DRS_ZFUNC, D3DRS_DEPTHBIAS, D3DRS_FILLMODE,
                                     D3DRS_CULLMODE, D3DRS_SHADEMODE, D3DRS_SPECULARENABLE, D3DRS_LIGHTING,
                                     D3DRS_DIFFUSEMATERIALSOURCE, D3DRS_SPECULARMATERIALSOURCE})
        if (g_cache.renderKnown[state]) SetRenderStateCached(state, g_cache.render[state]);
    SetMaterialCached(g_cache.material);
    g_cache.force = 0;
    return 0;
}

}  // namespace orvik
