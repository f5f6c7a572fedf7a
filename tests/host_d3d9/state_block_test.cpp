// State blocks: a recording stores the states set during it and leaves the device alone;
// Apply writes the recorded values, Capture takes the device's values of the same states,
// the calls out of turn are refused, and releasing the device ends a recording.
#include "device_fixture.h"

namespace host::test {
namespace {

class StateBlockTest : public DeviceTest {
protected:
    DWORD Render(D3DRENDERSTATETYPE s) {
        DWORD v = 0;
        EXPECT_EQ(dev->GetRenderState(s, &v), D3D_OK);
        return v;
    }
    DWORD Stage(DWORD stage, D3DTEXTURESTAGESTATETYPE s) {
        DWORD v = 0;
        EXPECT_EQ(dev->GetTextureStageState(stage, s, &v), D3D_OK);
        return v;
    }
    DWORD Sampler(DWORD stage, D3DSAMPLERSTATETYPE s) {
        DWORD v = 0;
        EXPECT_EQ(dev->GetSamplerState(stage, s, &v), D3D_OK);
        return v;
    }
    // A block of alpha reference (set twice), stage 1's colour operation and sampler 1's
    // U addressing.
    StateBlock* Record() {
        StateBlock* block = nullptr;
        EXPECT_EQ(dev->BeginStateBlock(), D3D_OK);
        EXPECT_EQ(dev->SetRenderState(D3DRS_ALPHAREF, 10), D3D_OK);
        EXPECT_EQ(dev->SetRenderState(D3DRS_ALPHAREF, 128), D3D_OK);
        EXPECT_EQ(dev->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_SELECTARG1), D3D_OK);
        EXPECT_EQ(dev->SetSamplerState(1, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP), D3D_OK);
        EXPECT_EQ(dev->EndStateBlock(&block), D3D_OK);
        return block;
    }
    void SetOthers() {
        dev->SetRenderState(D3DRS_ALPHAREF, 7);
        dev->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
        dev->SetSamplerState(1, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
    }
};

TEST_F(StateBlockTest, RecordingLeavesTheDeviceAndApplyWritesTheLastValues) {
    SetOthers();
    StateBlock* block = Record();
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(Render(D3DRS_ALPHAREF), 7u);
    EXPECT_EQ(Stage(1, D3DTSS_COLOROP), DWORD(D3DTOP_MODULATE));
    EXPECT_EQ(Sampler(1, D3DSAMP_ADDRESSU), DWORD(D3DTADDRESS_WRAP));
    // A state the block does not hold is left as it is.
    dev->SetRenderState(D3DRS_ZFUNC, D3DCMP_GREATER);
    const uint32_t writes = D3D9Counters().renderStateWrites[D3DRS_ALPHAREF];
    ASSERT_EQ(block->Apply(), D3D_OK);
    EXPECT_EQ(Render(D3DRS_ALPHAREF), 128u);
    EXPECT_EQ(D3D9Counters().renderStateWrites[D3DRS_ALPHAREF], writes + 1);
    EXPECT_EQ(Stage(1, D3DTSS_COLOROP), DWORD(D3DTOP_SELECTARG1));
    EXPECT_EQ(Sampler(1, D3DSAMP_ADDRESSU), DWORD(D3DTADDRESS_CLAMP));
    EXPECT_EQ(Render(D3DRS_ZFUNC), DWORD(D3DCMP_GREATER));
    block->Release();
}

TEST_F(StateBlockTest, CaptureTakesTheDeviceValuesThatApplyPutsBack) {
    StateBlock* kept = Record();
    StateBlock* set = Record();
    ASSERT_TRUE(kept && set);
    SetOthers();
    ASSERT_EQ(kept->Capture(), D3D_OK);
    ASSERT_EQ(set->Apply(), D3D_OK);
    EXPECT_EQ(Render(D3DRS_ALPHAREF), 128u);
    ASSERT_EQ(kept->Apply(), D3D_OK);
    EXPECT_EQ(Render(D3DRS_ALPHAREF), 7u);
    EXPECT_EQ(Stage(1, D3DTSS_COLOROP), DWORD(D3DTOP_MODULATE));
    EXPECT_EQ(Sampler(1, D3DSAMP_ADDRESSU), DWORD(D3DTADDRESS_WRAP));
    // Capturing again takes the values of now, not those of the first capture.
    dev->SetRenderState(D3DRS_ALPHAREF, 99);
    ASSERT_EQ(kept->Capture(), D3D_OK);
    set->Apply();
    kept->Apply();
    EXPECT_EQ(Render(D3DRS_ALPHAREF), 99u);
    kept->Release();
    set->Release();
}

// One state of several stages and sampler slots (a vertex texture's among them) are
// kept apart: each is written back to its own place, and a state the block does not hold
// in a stage it holds another of is left alone.
TEST_F(StateBlockTest, EachStageAndSamplerSlotKeepsItsOwnValue) {
    StateBlock* block = nullptr;
    ASSERT_EQ(dev->BeginStateBlock(), D3D_OK);
    for (DWORD stage = 0; stage < 3; ++stage) {
        dev->SetTextureStageState(stage, D3DTSS_COLOROP, D3DTOP_ADD + stage);
        dev->SetSamplerState(stage, D3DSAMP_MAGFILTER, stage == 2 ? D3DTEXF_LINEAR : D3DTEXF_POINT);
    }
    dev->SetSamplerState(D3DVERTEXTEXTURESAMPLER0, D3DSAMP_ADDRESSV, D3DTADDRESS_MIRROR);
    ASSERT_EQ(dev->EndStateBlock(&block), D3D_OK);
    for (DWORD stage = 0; stage < 3; ++stage) {
        dev->SetTextureStageState(stage, D3DTSS_COLOROP, D3DTOP_DISABLE);
        dev->SetTextureStageState(stage, D3DTSS_ALPHAOP, D3DTOP_SUBTRACT);
        dev->SetSamplerState(stage, D3DSAMP_MAGFILTER, D3DTEXF_ANISOTROPIC);
    }
    dev->SetSamplerState(D3DVERTEXTEXTURESAMPLER0, D3DSAMP_ADDRESSV, D3DTADDRESS_WRAP);
    dev->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_BORDER);
    ASSERT_EQ(block->Apply(), D3D_OK);
    for (DWORD stage = 0; stage < 3; ++stage) {
        EXPECT_EQ(Stage(stage, D3DTSS_COLOROP), DWORD(D3DTOP_ADD + stage)) << stage;
        EXPECT_EQ(Stage(stage, D3DTSS_ALPHAOP), DWORD(D3DTOP_SUBTRACT)) << stage;
        EXPECT_EQ(Sampler(stage, D3DSAMP_MAGFILTER), DWORD(stage == 2 ? D3DTEXF_LINEAR : D3DTEXF_POINT)) << stage;
    }
    EXPECT_EQ(Sampler(D3DVERTEXTEXTURESAMPLER0, D3DSAMP_ADDRESSV), DWORD(D3DTADDRESS_MIRROR));
    EXPECT_EQ(Sampler(0, D3DSAMP_ADDRESSV), DWORD(D3DTADDRESS_BORDER));
    block->Release();
}

TEST_F(StateBlockTest, CallsOutOfTurnAndStatesOutOfRangeAreRefused) {
    StateBlock* block = nullptr;
    EXPECT_EQ(dev->EndStateBlock(&block), D3DERR_INVALIDCALL);
    EXPECT_EQ(block, nullptr);
    StateBlock* done = Record();
    ASSERT_NE(done, nullptr);
    ASSERT_EQ(dev->BeginStateBlock(), D3D_OK);
    EXPECT_EQ(dev->BeginStateBlock(), D3DERR_INVALIDCALL);
    EXPECT_EQ(done->Apply(), D3DERR_INVALIDCALL);
    EXPECT_EQ(done->Capture(), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetRenderState(D3DRENDERSTATETYPE(kRenderStateCount), 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetTextureStageState(kMaxStages, D3DTSS_COLOROP, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetSamplerState(0, D3DSAMPLERSTATETYPE(kSamplerStateCount), 1), D3DERR_INVALIDCALL);
    // Setters a block does not keep still act on the device.
    ASSERT_EQ(dev->SetFVF(D3DFVF_XYZRHW), D3D_OK);
    DWORD fvf = 0;
    dev->GetFVF(&fvf);
    EXPECT_EQ(fvf, DWORD(D3DFVF_XYZRHW));
    EXPECT_EQ(dev->EndStateBlock(nullptr), D3DERR_INVALIDCALL);
    ASSERT_EQ(dev->EndStateBlock(&block), D3D_OK);
    ASSERT_NE(block, nullptr);
    // The refused states were not kept: applying the empty block changes nothing.
    dev->SetRenderState(D3DRS_ALPHAREF, 5);
    EXPECT_EQ(block->Apply(), D3D_OK);
    EXPECT_EQ(Render(D3DRS_ALPHAREF), 5u);
    block->Release();
    done->Release();
}

// A block handed out holds its device; the one being recorded does not, so releasing the
// device ends the recording and frees both once the last block is released.
TEST_F(StateBlockTest, ReleasingTheDeviceEndsARecording) {
    StateBlock* done = Record();
    ASSERT_NE(done, nullptr);
    ASSERT_EQ(dev->BeginStateBlock(), D3D_OK);
    dev->SetRenderState(D3DRS_ALPHAREF, 3);
    back->Release();
    back = nullptr;
    EXPECT_EQ(dev->Release(), 1u);
    dev = nullptr;
    done->Release();
}

}  // namespace
}  // namespace host::test
