// Draws that switch among vertex formats from call to call read each call's vertices by
// that call's format, whichever formats came before (the device keeps recent layouts).
#include <cstring>
#include <vector>

#include "device_fixture.h"

namespace host::test {
namespace {

struct SwitchFormat {
    DWORD fvf;
    int diffuseAt, stride;  // bytes
    uint32_t color;
};

// Two triangles over the whole 16 x 16 target in `f`'s layout, the other bytes set to
// values that would draw elsewhere if read as a position or colour.
std::vector<uint8_t> FullQuad(const SwitchFormat& f) {
    const float corners[6][2] = {{0, 0}, {16, 0}, {0, 16}, {16, 0}, {16, 16}, {0, 16}};
    std::vector<uint8_t> bytes(size_t(f.stride) * 6, 0x7F);
    for (size_t i = 0; i < 6; ++i) {
        uint8_t* v = bytes.data() + i * size_t(f.stride);
        const float position[4] = {corners[i][0], corners[i][1], 0.0f, 1.0f};
        std::memcpy(v, position, sizeof position);
        std::memcpy(v + f.diffuseAt, &f.color, 4);
    }
    return bytes;
}

TEST_F(DeviceTest, DrawsSwitchingAmongVertexFormatsReadEachByItsOwn) {
    const SwitchFormat formats[] = {
        {D3DFVF_XYZRHW | D3DFVF_DIFFUSE, 16, 20, 0xFFFF0000u},
        {D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1, 16, 28, 0xFF0000FFu},
        {D3DFVF_XYZRHW | D3DFVF_PSIZE | D3DFVF_DIFFUSE, 20, 24, 0xFF00FF00u},
        {D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX2, 16, 40, 0xFFFFFF00u},
    };
    ASSERT_EQ(dev->BeginScene(), D3D_OK);
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    // Back to a format used just before, two before, and three before.
    for (const int i : {0, 1, 0, 2, 1, 2, 3, 0, 3, 1, 2, 0}) {
        const SwitchFormat& f = formats[i];
        ASSERT_EQ(dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3D_OK);
        ASSERT_EQ(dev->SetFVF(f.fvf), D3D_OK);
        const std::vector<uint8_t> quad = FullQuad(f);
        ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, quad.data(), UINT(f.stride)), D3D_OK) << "format " << i;
        EXPECT_EQ(Pixel(0, 0) & 0xFFFFFFu, f.color & 0xFFFFFFu) << "format " << i;
        EXPECT_EQ(Pixel(15, 15) & 0xFFFFFFu, f.color & 0xFFFFFFu) << "format " << i;
    }
    dev->EndScene();
}

}  // namespace
}  // namespace host::test
