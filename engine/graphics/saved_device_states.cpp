#include "engine/graphics/saved_device_states.h"

#include "engine/graphics/com_release.h"
#include "host/d3d9/device.h"

namespace orvik {

using namespace host;

namespace {

constexpr D3DRENDERSTATETYPE kRenderStates[] = {
    D3DRS_ZENABLE, D3DRS_ZWRITEENABLE, D3DRS_ALPHATESTENABLE, D3DRS_ALPHAFUNC, D3DRS_ALPHAREF,
    D3DRS_ALPHABLENDENABLE, D3DRS_CULLMODE, D3DRS_LIGHTING, D3DRS_FOGENABLE, D3DRS_SCISSORTESTENABLE,
    D3DRS_COLORWRITEENABLE};
constexpr D3DTEXTURESTAGESTATETYPE kStageStates[] = {
    D3DTSS_COLOROP, D3DTSS_COLORARG1, D3DTSS_COLORARG2, D3DTSS_ALPHAOP, D3DTSS_ALPHAARG1,
    D3DTSS_ALPHAARG2, D3DTSS_TEXCOORDINDEX, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTSS_RESULTARG};
constexpr D3DSAMPLERSTATETYPE kSamplerStates[] = {D3DSAMP_ADDRESSU, D3DSAMP_ADDRESSV, D3DSAMP_MAGFILTER,
                                                  D3DSAMP_MINFILTER, D3DSAMP_MIPFILTER};

}  // namespace

SavedDeviceStates::SavedDeviceStates(Device* d) : d_(d) {
    for (D3DRENDERSTATETYPE s : kRenderStates) {
        DWORD v = 0;
        d_->GetRenderState(s, &v);
        render_.push_back({s, v});
    }
    for (DWORD stage = 0; stage < 3; ++stage)
        for (D3DTEXTURESTAGESTATETYPE s : kStageStates) {
            DWORD v = 0;
            d_->GetTextureStageState(stage, s, &v);
            stages_.push_back({stage, s, v});
        }
    for (DWORD stage = 0; stage < 2; ++stage) {
        for (D3DSAMPLERSTATETYPE s : kSamplerStates) {
            DWORD v = 0;
            d_->GetSamplerState(stage, s, &v);
            samplers_.push_back({stage, s, v});
        }
        d_->GetTexture(stage, &textures_[stage]);
    }
    d_->GetFVF(&fvf_);
    d_->GetViewport(&viewport_);
    d_->GetRenderTarget(0, &target_);
}

SavedDeviceStates::~SavedDeviceStates() {
    // The target first: setting a target resets the viewport.
    d_->SetRenderTarget(0, target_);
    d_->SetViewport(&viewport_);
    for (const auto& [s, v] : render_) d_->SetRenderState(s, v);
    for (const auto& st : stages_) d_->SetTextureStageState(st.stage, st.type, st.value);
    for (const auto& st : samplers_) d_->SetSamplerState(st.stage, st.type, st.value);
    for (DWORD stage = 0; stage < 2; ++stage) {
        d_->SetTexture(stage, textures_[stage]);
        ReleaseObject(textures_[stage]);
    }
    d_->SetFVF(fvf_);
    ReleaseObject(target_);
}

}  // namespace orvik
