// The stencil buffer: depth-stencil formats, clearing it, the test's functions at the edges
// of reference and masks, every operation, the order of the alpha, stencil and depth
// tests, two-sided stencil, and the classic mask drawn with colour writes off.
#include <string>
#include <vector>

#include "device_fixture.h"

namespace host::test {
namespace {

constexpr uint32_t kStencilWhite = 0xFFFFFFFFu;
constexpr uint32_t kStencilBlack = 0xFF000000u;

class StencilTest : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        UseDepthStencil(D3DFMT_D24S8);
        UseDiffuseOnly();
    }
    void TearDown() override {
        if (ds) ds->Release();
        ds = nullptr;
        DeviceTest::TearDown();
    }
    void UseDepthStencil(D3DFORMAT format) {
        if (ds) ds->Release();
        ds = nullptr;
        ASSERT_EQ(dev->CreateDepthStencilSurface(16, 16, format, D3DMULTISAMPLE_NONE, 0, 0, &ds, nullptr), D3D_OK);
        ASSERT_EQ(dev->SetDepthStencilSurface(ds), D3D_OK);
    }
    uint8_t StencilAt(int x, int y) { return ds->Stencil()[size_t(y) * ds->Width() + size_t(x)]; }
    void Stencil(DWORD func, DWORD ref, DWORD mask = 0xFFFFFFFFu, DWORD writeMask = 0xFFFFFFFFu) {
        dev->SetRenderState(D3DRS_STENCILENABLE, 1);
        dev->SetRenderState(D3DRS_STENCILFUNC, func);
        dev->SetRenderState(D3DRS_STENCILREF, ref);
        dev->SetRenderState(D3DRS_STENCILMASK, mask);
        dev->SetRenderState(D3DRS_STENCILWRITEMASK, writeMask);
    }
    void Ops(DWORD fail, DWORD depthFail, DWORD pass) {
        dev->SetRenderState(D3DRS_STENCILFAIL, fail);
        dev->SetRenderState(D3DRS_STENCILZFAIL, depthFail);
        dev->SetRenderState(D3DRS_STENCILPASS, pass);
    }
    // A white quad over the whole target, drawn as two triangles.
    void FullQuad(uint32_t color = kStencilWhite) {
        TLVertex q[6];
        Quad(q, 0, 0, 16, 16, color);
        ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, 2, q), D3D_OK);
    }
    // Clears the target to black and the stencil to `value`, draws the quad, and says
    // whether pixel (5, 5) turned white.
    bool DrawsOver(uint8_t value) {
        EXPECT_EQ(dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_STENCIL, kStencilBlack, 1.0f, value), D3D_OK);
        FullQuad();
        return Pixel(5, 5) == kStencilWhite;
    }
    Surface* ds = nullptr;
};

TEST_F(StencilTest, FormatsCapsAndClears) {
    for (D3DFORMAT f : {D3DFMT_D24S8, D3DFMT_D24X4S4, D3DFMT_D15S1, D3DFMT_D24FS8}) {
        EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, f),
                  D3D_OK)
            << f;
        EXPECT_EQ(d3d->CheckDepthStencilMatch(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, f), D3D_OK) << f;
        EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, 0, D3DRTYPE_TEXTURE, f),
                  D3DERR_NOTAVAILABLE)
            << f;
    }
    D3DCAPS9 caps;
    ASSERT_EQ(dev->GetDeviceCaps(&caps), D3D_OK);
    EXPECT_EQ(caps.StencilCaps & 0x1FF, 0x1FFu);

    // The stencil alone is cleared, cut to the format's bits; colour and depth stay.
    const D3DRECT r{2, 3, 5, 4};
    ASSERT_EQ(dev->Clear(1, &r, D3DCLEAR_STENCIL, 0xFFFF0000u, 0.0f, 0x1A5), D3D_OK);
    EXPECT_EQ(StencilAt(2, 3), 0xA5);
    EXPECT_EQ(StencilAt(4, 3), 0xA5);
    EXPECT_EQ(StencilAt(5, 3), 0);
    EXPECT_EQ(StencilAt(2, 4), 0);
    EXPECT_EQ(Pixel(2, 3), kStencilBlack);
    EXPECT_EQ(ds->Depth()[3 * 16 + 2], 1.0f);
    UseDepthStencil(D3DFMT_D24X4S4);
    ASSERT_EQ(dev->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.0f, 0x1F), D3D_OK);
    EXPECT_EQ(StencilAt(15, 15), 0x0F);

    // Depth formats without stencil bits, and no depth surface at all, refuse it.
    UseDepthStencil(D3DFMT_D24X8);
    EXPECT_EQ(ds->Stencil(), nullptr);
    EXPECT_EQ(dev->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.0f, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3D_OK);
    dev->SetDepthStencilSurface(nullptr);
    EXPECT_EQ(dev->Clear(0, nullptr, D3DCLEAR_STENCIL | D3DCLEAR_TARGET, 0, 1.0f, 0), D3DERR_INVALIDCALL);
    // With stencil on and no stencil bits the test is off: the quad draws.
    Stencil(D3DCMP_NEVER, 0);
    FullQuad();
    EXPECT_EQ(Pixel(5, 5), kStencilWhite);
}

TEST_F(StencilTest, FunctionsAtTheEdgesOfReferenceAndMask) {
    struct Case {
        DWORD func, ref, mask;
        uint8_t stored;
        bool passes;
    };
    const Case cases[] = {
        {D3DCMP_NEVER, 0, 0xFF, 0, false},
        {D3DCMP_ALWAYS, 7, 0xFF, 200, true},
        // The reference stands on the left: LESS passes when ref < stored.
        {D3DCMP_LESS, 9, 0xFF, 10, true},
        {D3DCMP_LESS, 10, 0xFF, 10, false},
        {D3DCMP_LESSEQUAL, 10, 0xFF, 10, true},
        {D3DCMP_LESSEQUAL, 11, 0xFF, 10, false},
        {D3DCMP_EQUAL, 10, 0xFF, 10, true},
        {D3DCMP_EQUAL, 11, 0xFF, 10, false},
        {D3DCMP_NOTEQUAL, 10, 0xFF, 10, false},
        {D3DCMP_NOTEQUAL, 0, 0xFF, 255, true},
        {D3DCMP_GREATER, 11, 0xFF, 10, true},
        {D3DCMP_GREATER, 10, 0xFF, 10, false},
        {D3DCMP_GREATEREQUAL, 10, 0xFF, 10, true},
        {D3DCMP_GREATEREQUAL, 9, 0xFF, 10, false},
        // The read mask applies to both sides.
        {D3DCMP_EQUAL, 0x12, 0xFE, 0x13, true},
        {D3DCMP_EQUAL, 0x12, 0xFF, 0x13, false},
        {D3DCMP_LESS, 0x0F, 0xF0, 0x1F, true},
        {D3DCMP_LESS, 0x1F, 0xF0, 0x10, false},
        {D3DCMP_EQUAL, 0xAB, 0x00, 0x54, true},
        // The reference is cut to the buffer's eight bits.
        {D3DCMP_EQUAL, 0x1FF, 0xFFFFFFFF, 0xFF, true},
    };
    for (const Case& c : cases) {
        Stencil(c.func, c.ref, c.mask);
        EXPECT_EQ(DrawsOver(c.stored), c.passes)
            << "func " << c.func << " ref " << c.ref << " mask " << c.mask << " stored " << int(c.stored);
    }
}

TEST_F(StencilTest, OperationsWrapSaturateAndKeepTheWriteMask) {
    struct Case {
        DWORD op;
        uint8_t stored, ref, writeMask, expected;
    };
    const Case eightBits[] = {
        {D3DSTENCILOP_KEEP, 77, 5, 0xFF, 77},      {D3DSTENCILOP_ZERO, 77, 5, 0xFF, 0},
        {D3DSTENCILOP_REPLACE, 77, 5, 0xFF, 5},    {D3DSTENCILOP_INCRSAT, 254, 0, 0xFF, 255},
        {D3DSTENCILOP_INCRSAT, 255, 0, 0xFF, 255}, {D3DSTENCILOP_DECRSAT, 1, 0, 0xFF, 0},
        {D3DSTENCILOP_DECRSAT, 0, 0, 0xFF, 0},     {D3DSTENCILOP_INVERT, 0x5A, 0, 0xFF, 0xA5},
        {D3DSTENCILOP_INCR, 255, 0, 0xFF, 0},      {D3DSTENCILOP_DECR, 0, 0, 0xFF, 255},
        // Only the bits of the write mask change.
        {D3DSTENCILOP_REPLACE, 0xF0, 0x0F, 0x3C, 0xCC}, {D3DSTENCILOP_INVERT, 0x00, 0, 0x81, 0x81},
        {D3DSTENCILOP_ZERO, 0xFF, 0, 0x0F, 0xF0},
    };
    auto run = [&](const Case& c) {
        Stencil(D3DCMP_ALWAYS, c.ref, 0xFF, c.writeMask);
        Ops(D3DSTENCILOP_KEEP, D3DSTENCILOP_KEEP, c.op);
        DrawsOver(c.stored);
        return StencilAt(5, 5);
    };
    for (const Case& c : eightBits) EXPECT_EQ(run(c), c.expected) << "op " << c.op << " stored " << int(c.stored);
    // A four-bit stencil wraps and saturates at 15, and its reference is cut to four bits.
    UseDepthStencil(D3DFMT_D24X4S4);
    const Case fourBits[] = {
        {D3DSTENCILOP_INCRSAT, 15, 0, 0xFF, 15}, {D3DSTENCILOP_INCR, 15, 0, 0xFF, 0},
        {D3DSTENCILOP_DECR, 0, 0, 0xFF, 15},     {D3DSTENCILOP_INVERT, 0x5, 0, 0xFF, 0xA},
        {D3DSTENCILOP_REPLACE, 0, 0x37, 0xFF, 0x7},
    };
    for (const Case& c : fourBits) EXPECT_EQ(run(c), c.expected) << "op " << c.op << " stored " << int(c.stored);
    // A one-bit stencil: increment wraps 1 to 0.
    UseDepthStencil(D3DFMT_D15S1);
    EXPECT_EQ(run({D3DSTENCILOP_INCR, 1, 0, 0xFF, 0}), 0);
    EXPECT_EQ(run({D3DSTENCILOP_INCRSAT, 1, 0, 0xFF, 1}), 1);
}

TEST_F(StencilTest, AlphaThenStencilThenDepthPickTheOperation) {
    dev->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    dev->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
    Ops(D3DSTENCILOP_REPLACE, D3DSTENCILOP_INCR, D3DSTENCILOP_INVERT);
    auto draw = [&](DWORD func, uint32_t color, float z) {
        Stencil(func, 0x40);
        TLVertex q[6];
        Quad(q, 0, 0, 16, 16, color);
        for (TLVertex& v : q) v.z = z;
        Draw(D3DPT_TRIANGLELIST, 2, q);
        return StencilAt(5, 5);
    };
    auto reset = [&](uint8_t value) {
        ASSERT_EQ(dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_STENCIL | D3DCLEAR_ZBUFFER, kStencilBlack, 0.5f,
                             value),
                  D3D_OK);
    };
    // Stencil fails: the fail operation, no colour and no depth written.
    reset(3);
    dev->SetRenderState(D3DRS_ZWRITEENABLE, 1);
    EXPECT_EQ(draw(D3DCMP_NEVER, kStencilWhite, 0.25f), 0x40);
    EXPECT_EQ(Pixel(5, 5), kStencilBlack);
    EXPECT_EQ(ds->Depth()[5 * 16 + 5], 0.5f);
    // Stencil passes, depth fails: the depth-fail operation.
    reset(3);
    EXPECT_EQ(draw(D3DCMP_ALWAYS, kStencilWhite, 0.75f), 4);
    EXPECT_EQ(Pixel(5, 5), kStencilBlack);
    // Both pass: the pass operation, the colour and the depth.
    reset(3);
    EXPECT_EQ(draw(D3DCMP_ALWAYS, kStencilWhite, 0.25f), 0xFC);
    EXPECT_EQ(Pixel(5, 5), kStencilWhite);
    EXPECT_EQ(ds->Depth()[5 * 16 + 5], 0.25f);
    // The alpha test comes first: a pixel it rejects leaves the stencil alone.
    reset(3);
    dev->SetRenderState(D3DRS_ALPHATESTENABLE, 1);
    dev->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
    dev->SetRenderState(D3DRS_ALPHAREF, 0x80);
    EXPECT_EQ(draw(D3DCMP_NEVER, 0x40FFFFFFu, 0.25f), 3);
    EXPECT_EQ(draw(D3DCMP_NEVER, 0xC0FFFFFFu, 0.25f), 0x40);
}

TEST_F(StencilTest, ShapeWrittenWithColourOffThenDrawnInside) {
    // The triangle drawn plainly, for the shape it covers.
    const TLVertex tri[3] = {V(2.5f, 1, kStencilWhite), V(14, 7, kStencilWhite), V(4, 13.5f, kStencilWhite)};
    ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, 1, tri), D3D_OK);
    const std::vector<std::string> shape = Mask(kStencilWhite, 16, 16);
    ASSERT_EQ(dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_STENCIL, kStencilBlack, 1.0f, 0), D3D_OK);
    // Pass one: only the stencil is written.
    dev->SetRenderState(D3DRS_COLORWRITEENABLE, 0);
    Stencil(D3DCMP_ALWAYS, 1);
    Ops(D3DSTENCILOP_KEEP, D3DSTENCILOP_KEEP, D3DSTENCILOP_REPLACE);
    ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, 1, tri), D3D_OK);
    EXPECT_EQ(Mask(kStencilBlack, 16, 16), std::vector<std::string>(16, std::string(16, '#')));
    int marked = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            EXPECT_EQ(StencilAt(x, y) == 1, shape[size_t(y)][size_t(x)] == '#') << x << "," << y;
            marked += StencilAt(x, y);
        }
    EXPECT_GT(marked, 20);
    // Pass two: a full-screen quad, in a state the fast spans would otherwise take, lands
    // only inside the shape.
    dev->SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);
    Stencil(D3DCMP_EQUAL, 1);
    Ops(D3DSTENCILOP_KEEP, D3DSTENCILOP_KEEP, D3DSTENCILOP_KEEP);
    FullQuad(0xFF00FF00u);
    EXPECT_EQ(Mask(0xFF00FF00u, 16, 16), shape);
    // And the outside of it with the opposite test.
    Stencil(D3DCMP_NOTEQUAL, 1);
    FullQuad(0xFF0000FFu);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            EXPECT_EQ(Pixel(x, y) == 0xFF0000FFu, shape[size_t(y)][size_t(x)] == '.') << x << "," << y;
}

TEST_F(StencilTest, TwoSidedStencilTakesTheCounterClockwiseStatesForBackFaces) {
    // Left: clockwise on the screen (front); right: counter-clockwise (back).
    const TLVertex front[3] = {V(0, 0), V(8, 0), V(0, 8)};
    const TLVertex backFace[3] = {V(8, 0), V(8, 8), V(16, 0)};
    Stencil(D3DCMP_ALWAYS, 0x20);
    Ops(D3DSTENCILOP_KEEP, D3DSTENCILOP_KEEP, D3DSTENCILOP_INCR);
    dev->SetRenderState(D3DRS_CCW_STENCILFUNC, D3DCMP_ALWAYS);
    dev->SetRenderState(D3DRS_CCW_STENCILPASS, D3DSTENCILOP_DECR);
    auto drawBoth = [&]() {
        ASSERT_EQ(dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_STENCIL, kStencilBlack, 1.0f, 5), D3D_OK);
        ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, 1, front), D3D_OK);
        ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, 1, backFace), D3D_OK);
    };
    drawBoth();
    EXPECT_EQ(StencilAt(1, 1), 6);
    EXPECT_EQ(StencilAt(9, 1), 6);  // one-sided: both faces increment
    dev->SetRenderState(D3DRS_TWOSIDEDSTENCILMODE, 1);
    drawBoth();
    EXPECT_EQ(StencilAt(1, 1), 6);
    EXPECT_EQ(StencilAt(9, 1), 4);
    EXPECT_EQ(StencilAt(12, 12), 5);  // outside both
    // The back face's own function: it fails there and takes its own fail operation.
    dev->SetRenderState(D3DRS_CCW_STENCILFUNC, D3DCMP_NEVER);
    dev->SetRenderState(D3DRS_CCW_STENCILFAIL, D3DSTENCILOP_ZERO);
    drawBoth();
    EXPECT_EQ(StencilAt(1, 1), 6);
    EXPECT_EQ(Pixel(1, 1), kStencilWhite);
    EXPECT_EQ(StencilAt(9, 1), 0);
    EXPECT_EQ(Pixel(9, 1), kStencilBlack);
}

}  // namespace
}  // namespace host::test
