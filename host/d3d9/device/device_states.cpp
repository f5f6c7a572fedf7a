// The device's states: each setter checks its range, stores, and the getter reads back.
#include <algorithm>
#include <cstring>

#include "host/d3d9/device/d3d9_host.h"
#include "host/d3d9/device/device.h"

namespace host {
namespace {

D3DMATRIX* TransformSlot(D3DTRANSFORMSTATETYPE state, D3DMATRIX* world, D3DMATRIX* view, D3DMATRIX* projection,
                         D3DMATRIX* textures) {
    if (state == D3DTS_WORLD) return world;
    if (state == D3DTS_VIEW) return view;
    if (state == D3DTS_PROJECTION) return projection;
    if (state >= D3DTS_TEXTURE0 && state <= D3DTS_TEXTURE7) return &textures[state - D3DTS_TEXTURE0];
    return nullptr;
}

constexpr UINT kLightSlots = 64;

// A per-stage state table: the stage and the state must both be in range.
template <size_t Stages, size_t States>
HRESULT StoreCell(DWORD (&table)[Stages][States], DWORD stage, DWORD state, DWORD value) {
    if (stage >= Stages || state >= States) return D3DERR_INVALIDCALL;
    table[stage][state] = value;
    return D3D_OK;
}

template <size_t Stages, size_t States>
HRESULT ReadCell(const DWORD (&table)[Stages][States], DWORD stage, DWORD state, DWORD* value) {
    if (stage >= Stages || state >= States || !value) return D3DERR_INVALIDCALL;
    *value = table[stage][state];
    return D3D_OK;
}

}  // namespace

HRESULT Device::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    if (state >= kRenderStateCount) return D3DERR_INVALIDCALL;
    if (recording_) {
        recording_->Record(StateBlock::kRender, 0, state, value);
        return D3D_OK;
    }
    renderStates_[state] = value;
    ++D3D9Counters().renderStateWrites[state];
    return D3D_OK;
}

HRESULT Device::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) const {
    if (state >= kRenderStateCount || !value) return D3DERR_INVALIDCALL;
    *value = renderStates_[state];
    return D3D_OK;
}

HRESULT Device::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    if (recording_ && stage < kMaxStages && type < kTextureStageStateCount) {
        recording_->Record(StateBlock::kStage, stage, type, value);
        return D3D_OK;
    }
    return StoreCell(stageStates_, stage, type, value);
}

HRESULT Device::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) const {
    return ReadCell(stageStates_, stage, type, value);
}

HRESULT Device::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
    const DWORD slot = SamplerSlot(sampler);
    if (recording_ && slot < kSamplerSlots && type < kSamplerStateCount) {
        recording_->Record(StateBlock::kSampler, slot, type, value);
        return D3D_OK;
    }
    return StoreCell(samplerStates_, slot, type, value);
}

HRESULT Device::GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) const {
    return ReadCell(samplerStates_, SamplerSlot(sampler), type, value);
}

HRESULT Device::SetTexture(DWORD stage, BaseTexture* texture) {
    const DWORD slot = SamplerSlot(stage);
    if (slot >= kSamplerSlots) return D3DERR_INVALIDCALL;
    if (texture && texture->Pool() != D3DPOOL_DEFAULT && texture->Pool() != D3DPOOL_MANAGED)
        return D3DERR_INVALIDCALL;
    ReplaceRef(textures_[slot], texture);
    return D3D_OK;
}

HRESULT Device::GetTexture(DWORD stage, BaseTexture** texture) {
    const DWORD slot = SamplerSlot(stage);
    if (slot >= kSamplerSlots || !texture) return D3DERR_INVALIDCALL;
    *texture = textures_[slot];
    if (*texture) (*texture)->AddRef();
    return D3D_OK;
}

HRESULT Device::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
    D3DMATRIX* slot = TransformSlot(state, &world_, &view_, &projection_, textureMatrices_);
    if (!slot || !matrix) return D3DERR_INVALIDCALL;
    *slot = *matrix;
    return D3D_OK;
}

HRESULT Device::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) const {
    auto* self = const_cast<Device*>(this);
    const D3DMATRIX* slot =
        TransformSlot(state, &self->world_, &self->view_, &self->projection_, self->textureMatrices_);
    if (!slot || !matrix) return D3DERR_INVALIDCALL;
    *matrix = *slot;
    return D3D_OK;
}

HRESULT Device::SetViewport(const D3DVIEWPORT9* v) {
    if (!v || !renderTarget_) return D3DERR_INVALIDCALL;
    const uint64_t right = uint64_t(v->X) + v->Width, bottom = uint64_t(v->Y) + v->Height;
    if (v->Width == 0 || v->Height == 0 || right > renderTarget_->Width() || bottom > renderTarget_->Height() ||
        !(v->MinZ >= 0.0f && v->MaxZ <= 1.0f && v->MinZ <= v->MaxZ))
        return D3DERR_INVALIDCALL;
    viewport_ = *v;
    return D3D_OK;
}

HRESULT Device::GetViewport(D3DVIEWPORT9* v) const {
    if (!v) return D3DERR_INVALIDCALL;
    *v = viewport_;
    return D3D_OK;
}

HRESULT Device::SetScissorRect(const RECT* r) {
    if (!r || r->left < 0 || r->top < 0 || r->left > r->right || r->top > r->bottom) return D3DERR_INVALIDCALL;
    scissor_ = *r;
    return D3D_OK;
}

HRESULT Device::GetScissorRect(RECT* r) const {
    if (!r) return D3DERR_INVALIDCALL;
    *r = scissor_;
    return D3D_OK;
}

HRESULT Device::SetMaterial(const D3DMATERIAL9* material) {
    if (!material) return D3DERR_INVALIDCALL;
    material_ = *material;
    return D3D_OK;
}

HRESULT Device::GetMaterial(D3DMATERIAL9* material) const {
    if (!material) return D3DERR_INVALIDCALL;
    *material = material_;
    return D3D_OK;
}

HRESULT Device::SetLight(DWORD index, const D3DLIGHT9* light) {
    if (!light || index >= kLightSlots || light->Type < D3DLIGHT_POINT || light->Type > D3DLIGHT_DIRECTIONAL)
        return D3DERR_INVALIDCALL;
    if (lights_.size() <= index) {
        lights_.resize(index + 1);
        lightEnabled_.resize(index + 1, 0);
    }
    lights_[index] = *light;
    return D3D_OK;
}

HRESULT Device::GetLight(DWORD index, D3DLIGHT9* light) const {
    if (!light || index >= lights_.size()) return D3DERR_INVALIDCALL;
    *light = lights_[index];
    return D3D_OK;
}

HRESULT Device::LightEnable(DWORD index, BOOL enable) {
    if (index >= kLightSlots) return D3DERR_INVALIDCALL;
    if (lights_.size() <= index) {
        // Enabling a light never set gives the default directional light.
        D3DLIGHT9 light;
        light.Diffuse = {1, 1, 1, 0};
        light.Direction = {0, 0, 1};
        lights_.resize(index + 1, light);
        lightEnabled_.resize(index + 1, 0);
    }
    lightEnabled_[index] = enable ? 1 : 0;
    return D3D_OK;
}

HRESULT Device::GetLightEnable(DWORD index, BOOL* enable) const {
    if (!enable || index >= lightEnabled_.size()) return D3DERR_INVALIDCALL;
    *enable = lightEnabled_[index];
    return D3D_OK;
}

HRESULT Device::SetFVF(DWORD fvf) {
    fvf_ = fvf;
    ReplaceRef<VertexDeclaration>(declaration_, nullptr);
    return D3D_OK;
}

HRESULT Device::GetFVF(DWORD* fvf) const {
    if (!fvf) return D3DERR_INVALIDCALL;
    *fvf = fvf_;
    return D3D_OK;
}

namespace {

// Copies `count` registers of `width` values from `from` to `to`; the register file has
// `registers` entries.
template <class T>
HRESULT CopyRegisters(size_t registers, UINT width, UINT start, UINT count, const T* from, T* to) {
    if (!from || !to || start > registers || count > registers - start) return D3DERR_INVALIDCALL;
    std::memcpy(to, from, size_t(count) * width * sizeof(T));
    return D3D_OK;
}

}  // namespace

HRESULT Device::SetVertexShaderConstantF(UINT start, const float* data, UINT count) {
    return CopyRegisters<float>(256, 4, start, count, data, vsConstF_.data() + size_t(std::min(start, 256u)) * 4);
}
HRESULT Device::GetVertexShaderConstantF(UINT start, float* data, UINT count) const {
    return CopyRegisters<float>(256, 4, start, count, vsConstF_.data() + size_t(std::min(start, 256u)) * 4, data);
}
HRESULT Device::SetVertexShaderConstantB(UINT start, const BOOL* data, UINT count) {
    return CopyRegisters<BOOL>(16, 1, start, count, data, vsConstB_.data() + std::min(start, 16u));
}
HRESULT Device::GetVertexShaderConstantB(UINT start, BOOL* data, UINT count) const {
    return CopyRegisters<BOOL>(16, 1, start, count, vsConstB_.data() + std::min(start, 16u), data);
}
HRESULT Device::SetVertexShaderConstantI(UINT start, const int* data, UINT count) {
    return CopyRegisters<int>(16, 4, start, count, data, vsConstI_.data() + size_t(std::min(start, 16u)) * 4);
}
HRESULT Device::GetVertexShaderConstantI(UINT start, int* data, UINT count) const {
    return CopyRegisters<int>(16, 4, start, count, vsConstI_.data() + size_t(std::min(start, 16u)) * 4, data);
}
HRESULT Device::SetPixelShaderConstantI(UINT start, const int* data, UINT count) {
    return CopyRegisters<int>(16, 4, start, count, data, psConstI_.data() + size_t(std::min(start, 16u)) * 4);
}
HRESULT Device::GetPixelShaderConstantI(UINT start, int* data, UINT count) const {
    return CopyRegisters<int>(16, 4, start, count, psConstI_.data() + size_t(std::min(start, 16u)) * 4, data);
}
HRESULT Device::SetPixelShaderConstantB(UINT start, const BOOL* data, UINT count) {
    return CopyRegisters<BOOL>(16, 1, start, count, data, psConstB_.data() + std::min(start, 16u));
}
HRESULT Device::GetPixelShaderConstantB(UINT start, BOOL* data, UINT count) const {
    return CopyRegisters<BOOL>(16, 1, start, count, psConstB_.data() + std::min(start, 16u), data);
}
// Pixel code of model 3.0 has 224 float constants, earlier models 32.
UINT Device::PixelConstantCount() const {
    return D3D9Settings().shaderModel >= 3 ? UINT(kPixel30Consts) : UINT(kPixelConsts);
}
HRESULT Device::SetPixelShaderConstantF(UINT start, const float* data, UINT count) {
    const UINT n = PixelConstantCount();
    return CopyRegisters<float>(n, 4, start, count, data, psConstF_.data() + size_t(std::min(start, n)) * 4);
}
HRESULT Device::GetPixelShaderConstantF(UINT start, float* data, UINT count) const {
    const UINT n = PixelConstantCount();
    return CopyRegisters<float>(n, 4, start, count, psConstF_.data() + size_t(std::min(start, n)) * 4, data);
}

HRESULT Device::SetStreamSource(UINT stream, VertexBuffer* buffer, UINT offset, UINT stride) {
    if (stream >= 16 || stride > 255) return D3DERR_INVALIDCALL;
    if (stream > 0) {
        StreamSource& s = moreStreams_[stream - 1];
        ReplaceRef(s.buffer, buffer);
        s.offset = offset;
        s.stride = stride;
        return D3D_OK;
    }
    ReplaceRef(stream_, buffer);
    streamOffset_ = offset;
    streamStride_ = stride;
    return D3D_OK;
}

HRESULT Device::SetIndices(IndexBuffer* buffer) {
    ReplaceRef(indices_, buffer);
    return D3D_OK;
}

}  // namespace host
