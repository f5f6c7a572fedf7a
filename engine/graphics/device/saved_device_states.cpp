#include "engine/graphics/device/saved_device_states.h"

#include "engine/graphics/device/com_release.h"
#include "host/d3d9/device/device.h"

namespace orvik {

using namespace host;

DWORD SavedDeviceStates::Read(Kind kind, DWORD stage, DWORD type) const {
    DWORD v = 0;
    if (kind == Kind::Render) d_->GetRenderState(D3DRENDERSTATETYPE(type), &v);
    else if (kind == Kind::Stage) d_->GetTextureStageState(stage, D3DTEXTURESTAGESTATETYPE(type), &v);
    else d_->GetSamplerState(stage, D3DSAMPLERSTATETYPE(type), &v);
    return v;
}

void SavedDeviceStates::Write(Kind kind, DWORD stage, DWORD type, DWORD value) {
    if (kind == Kind::Render) d_->SetRenderState(D3DRENDERSTATETYPE(type), value);
    else if (kind == Kind::Stage) d_->SetTextureStageState(stage, D3DTEXTURESTAGESTATETYPE(type), value);
    else d_->SetSamplerState(stage, D3DSAMPLERSTATETYPE(type), value);
}

void SavedDeviceStates::Swap(Kind kind, DWORD stage, DWORD type, DWORD value) {
    const DWORD old = Read(kind, stage, type);
    if (old == value) return;
    if (changeCount_ < changes_.size()) changes_[changeCount_++] = Change{kind, stage, type, old};
    Write(kind, stage, type, value);
}

void SavedDeviceStates::RenderState(D3DRENDERSTATETYPE type, DWORD value) { Swap(Kind::Render, 0, type, value); }

void SavedDeviceStates::StageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    Swap(Kind::Stage, stage, type, value);
}

void SavedDeviceStates::SamplerState(DWORD stage, D3DSAMPLERSTATETYPE type, DWORD value) {
    Swap(Kind::Sampler, stage, type, value);
}

void SavedDeviceStates::Texture(DWORD stage, host::Texture* texture) {
    if (stage >= 2 || textureSaved_[stage]) return;
    d_->GetTexture(stage, &textures_[stage]);
    textureSaved_[stage] = true;
    d_->SetTexture(stage, texture);
}

void SavedDeviceStates::Fvf(DWORD fvf) {
    if (!fvfSaved_) d_->GetFVF(&fvf_);
    fvfSaved_ = true;
    d_->SetFVF(fvf);
}

void SavedDeviceStates::Target(Surface* target) {
    if (!target_) d_->GetRenderTarget(0, &target_);
    if (!viewportSaved_) d_->GetViewport(&viewport_);
    viewportSaved_ = true;
    d_->SetRenderTarget(0, target);
}

void SavedDeviceStates::Viewport(const D3DVIEWPORT9& viewport) {
    if (!viewportSaved_) d_->GetViewport(&viewport_);
    viewportSaved_ = true;
    d_->SetViewport(&viewport);
}

SavedDeviceStates::~SavedDeviceStates() {
    // The target first: setting a target resets the viewport.
    if (target_) d_->SetRenderTarget(0, target_);
    if (viewportSaved_) d_->SetViewport(&viewport_);
    for (size_t i = changeCount_; i-- > 0;) Write(changes_[i].kind, changes_[i].stage, changes_[i].type, changes_[i].old);
    for (DWORD stage = 0; stage < 2; ++stage) {
        if (!textureSaved_[stage]) continue;
        d_->SetTexture(stage, textures_[stage]);
        ReleaseObject(textures_[stage]);
    }
    if (fvfSaved_) d_->SetFVF(fvf_);
    ReleaseObject(target_);
}

}  // namespace orvik
