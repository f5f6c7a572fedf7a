// The scope around a one-off draw (the mask screen's composite): what it changes is in
// effect inside it and back at its end, a state changed twice comes back to its first
// value, and the target comes back with the viewport it had.
#include "device_fixture.h"
#include "engine/graphics/device/saved_device_states.h"

namespace orvik_test {
namespace {

using namespace host;

class SavedStatesTest : public DeviceTest {
protected:
    void SetUp() override {
        ASSERT_EQ(orvik::InitLibrary(), 0);
        ASSERT_EQ(orvik::Graphics().direct3DMode, 1);
    }
    // The object bound now, without keeping a reference.
    static BaseTexture* BoundTexture(DWORD stage) {
        BaseTexture* t = nullptr;
        D3DDevice()->GetTexture(stage, &t);
        if (t) t->Release();
        return t;
    }
    static Surface* BoundTarget() {
        Surface* s = nullptr;
        D3DDevice()->GetRenderTarget(0, &s);
        if (s) s->Release();
        return s;
    }
    static D3DVIEWPORT9 BoundViewport() {
        D3DVIEWPORT9 v{};
        D3DDevice()->GetViewport(&v);
        return v;
    }
};

TEST_F(SavedStatesTest, ChangesHoldInsideTheScopeAndComeBackAtItsEnd) {
    Device* d = D3DDevice();
    d->SetRenderState(D3DRS_ALPHAREF, 7);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    d->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
    d->SetSamplerState(1, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
    d->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
    const D3DVIEWPORT9 viewport{4, 5, 60, 70, 0, 1};
    d->SetViewport(&viewport);
    Surface* target = BoundTarget();
    Texture *texture = nullptr, *other = nullptr;
    ASSERT_EQ(d->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture), D3D_OK);
    ASSERT_EQ(d->CreateTexture(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &other), D3D_OK);
    Surface* otherTarget = nullptr;
    ASSERT_EQ(other->GetSurfaceLevel(0, &otherTarget), D3D_OK);
    d->SetTexture(1, nullptr);
    {
        orvik::SavedDeviceStates saved(d);
        saved.Target(otherTarget);
        saved.Viewport(D3DVIEWPORT9{1, 2, 3, 4, 0, 1});
        saved.RenderState(D3DRS_ALPHAREF, 128);
        saved.RenderState(D3DRS_ALPHAREF, 200);
        saved.RenderState(D3DRS_CULLMODE, D3DCULL_CW);
        saved.StageState(1, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        saved.SamplerState(1, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
        saved.Texture(1, texture);
        saved.Fvf(D3DFVF_XYZRHW | D3DFVF_TEX2);
        EXPECT_EQ(RenderState(D3DRS_ALPHAREF), 200u);
        EXPECT_EQ(StageState(1, D3DTSS_COLOROP), DWORD(D3DTOP_SELECTARG1));
        EXPECT_EQ(SamplerState(1, D3DSAMP_ADDRESSU), DWORD(D3DTADDRESS_CLAMP));
        EXPECT_EQ(BoundTexture(1), texture);
        EXPECT_EQ(BoundTarget(), otherTarget);
        EXPECT_EQ(BoundViewport().Width, 3u);
        DWORD fvf = 0;
        d->GetFVF(&fvf);
        EXPECT_EQ(fvf, DWORD(D3DFVF_XYZRHW | D3DFVF_TEX2));
    }
    EXPECT_EQ(RenderState(D3DRS_ALPHAREF), 7u);
    EXPECT_EQ(RenderState(D3DRS_CULLMODE), DWORD(D3DCULL_CW));
    EXPECT_EQ(StageState(1, D3DTSS_COLOROP), DWORD(D3DTOP_MODULATE));
    EXPECT_EQ(SamplerState(1, D3DSAMP_ADDRESSU), DWORD(D3DTADDRESS_WRAP));
    EXPECT_EQ(BoundTexture(1), nullptr);
    EXPECT_EQ(BoundTarget(), target);
    const D3DVIEWPORT9 back = BoundViewport();
    EXPECT_EQ(back.X, 4u);
    EXPECT_EQ(back.Y, 5u);
    EXPECT_EQ(back.Width, 60u);
    EXPECT_EQ(back.Height, 70u);
    DWORD fvf = 0;
    d->GetFVF(&fvf);
    EXPECT_EQ(fvf, DWORD(D3DFVF_XYZRHW | D3DFVF_DIFFUSE));
    otherTarget->Release();
    other->Release();
    texture->Release();
}

}  // namespace
}  // namespace orvik_test
