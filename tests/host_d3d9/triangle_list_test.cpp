// Pre-transformed triangle lists as the engine's vertex batch sends them, drawn in one
// call, against the same triangles drawn one call each.
#include <cmath>
#include <limits>
#include <random>

#include "device_fixture.h"

namespace host::test {
namespace {

class TriangleListTest : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        // Colours added to the target: a pixel drawn twice, or missed, shows.
        UseDiffuseOnly();
        dev->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
        dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
        dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    }
    std::vector<uint32_t> Drawn(const std::vector<TLVertex>& list, bool oneCall) {
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
        const UINT triangles = UINT(list.size() / 3);
        if (oneCall) { EXPECT_EQ(Draw(D3DPT_TRIANGLELIST, triangles, list.data()), D3D_OK); }
        for (UINT i = 0; !oneCall && i < triangles; ++i) EXPECT_EQ(Draw(D3DPT_TRIANGLELIST, 1, &list[3 * i]), D3D_OK);
        std::vector<uint32_t> pixels;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) pixels.push_back(Pixel(x, y));
        return pixels;
    }
};

TEST_F(TriangleListTest, EachTrianglePairsWithTheNextInTurn) {
    // Lists mixing sprites in the batch's quad order (corners 0, 1, 2 then 3, 2, 1),
    // upright and turned, quads in that order that are not convex or have a corner that
    // is not a number, quads in another order, quads with two corners at one place, and
    // lone triangles, under both cull modes.
    std::mt19937 rng(5);
    auto coord = [&] { return float(int(rng() % 160) - 16) / 8.0f; };
    for (int list = 0; list < 150; ++list) {
        dev->SetRenderState(D3DRS_CULLMODE, rng() % 2 ? D3DCULL_NONE : D3DCULL_CW);
        std::vector<TLVertex> v;
        const int shapes = 1 + int(rng() % 6);
        for (int shape = 0; shape < shapes; ++shape) {
            const uint32_t color = 0xFF000000u | (rng() % 8) << 16 | (rng() % 8) << 8 | (rng() % 8);
            const int kind = int(rng() % 7);
            TLVertex q[6];
            if (kind == 0) {
                Quad(q, coord(), coord(), coord(), coord(), color);
            } else {
                // A quad turned about its centre.
                const float cx = coord(), cy = coord(), w = 1 + coord() / 2, h = 1 + coord() / 2;
                const float a = float(rng() % 628) / 100.0f, c = std::cos(a), s = std::sin(a);
                auto corner = [&](float dx, float dy) { return V(cx + dx * c - dy * s, cy + dx * s + dy * c, color); };
                q[0] = corner(-w, -h), q[1] = corner(w, -h), q[2] = corner(-w, h), q[3] = corner(w, h);
                if (kind == 2) q[3].x -= 3 * w, q[3].y -= 3 * h;  // folded over: not convex
                if (kind == 3) q[rng() % 3 == 0 ? 0 : 1].y = std::numeric_limits<float>::quiet_NaN();
                if (kind == 6) {
                    // One corner moved onto another (the far one onto any, or two of the
                    // first triangle's together), keeping its own colour and coordinates.
                    const int from = int(rng() % 4), to = (from + 1 + int(rng() % 3)) % 4;
                    q[from].x = q[to].x, q[from].y = q[to].y;
                }
                q[4] = q[2], q[5] = q[1];
            }
            if (kind == 4) std::swap(q[3], q[5]);  // the second triangle in another order
            const int corners = kind == 5 ? 3 : 6;  // a lone triangle
            v.insert(v.end(), q, q + corners);
        }
        ASSERT_EQ(Drawn(v, true), Drawn(v, false)) << "list " << list;
    }
}

// Sprites whose second triangle repeats two corners as copies, not in the batch's quad
// order: the corners are compared whole, so every field of a vertex must be set for them
// to pair (the divisors of projected coordinates were once left unset here).
TEST_F(TriangleListTest, CopiedCornersPairByTheirValues) {
    std::vector<TLVertex> v;
    for (int i = 0; i < 12; ++i) {
        TLVertex q[6];
        const float x = float(i % 4) * 4, y = float(i / 4) * 4;
        Quad(q, x, y, x + 3, y + 3, 0xFF010203u);
        // The second triangle (3, 2, 1) turned to (2, 1, 3): it faces the same way.
        const TLVertex far = q[3];
        q[3] = q[4], q[4] = q[5], q[5] = far;
        v.insert(v.end(), q, q + 6);
    }
    const uint64_t before = D3D9Counters().trianglePairs;
    Drawn(v, true);
    EXPECT_EQ(D3D9Counters().trianglePairs - before, 12u);
}

// Upright textured sprites in the quad order, as the engine's draws send them, at any
// place, size and mirroring, their texture coordinates following their sides one texel a
// pixel or not, some with a corner whose coordinates, colour or divisor is a little off
// (those take the general way): the pairs must give what their triangles drawn one call
// each give, under the states sprites are drawn with.
TEST_F(TriangleListTest, UprightTexturedSpritesGiveWhatTheirTrianglesGive) {
    std::mt19937 rng(11);
    std::vector<uint32_t> texels(32 * 32);
    const uint32_t alphas[3] = {0, 0xFF000000u, 0x80000000u};
    for (uint32_t& t : texels) t = alphas[rng() % 3] | (rng() & 0x1F1F1Fu);
    Texture* tex = MakeTexture(32, 32, texels);
    dev->SetTexture(0, tex);
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    dev->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    dev->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    dev->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    dev->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
    dev->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
    auto coord = [&] { return float(int(rng() % 640) - 64) / 32.0f; };
    for (int list = 0; list < 200; ++list) {
        const DWORD cull[3] = {D3DCULL_NONE, D3DCULL_CW, D3DCULL_CCW};
        dev->SetRenderState(D3DRS_CULLMODE, cull[rng() % 3]);
        // Unblended, alpha blended or added by alpha, as the fast spans draw them.
        dev->SetRenderState(D3DRS_ALPHATESTENABLE, rng() % 2);
        const int blend = int(rng() % 3);
        dev->SetRenderState(D3DRS_ALPHABLENDENABLE, blend != 0);
        dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        dev->SetRenderState(D3DRS_DESTBLEND, blend == 1 ? D3DBLEND_INVSRCALPHA : D3DBLEND_ONE);
        std::vector<TLVertex> v;
        for (int sprite = 1 + int(rng() % 5); sprite > 0; --sprite) {
            const uint32_t color = rng() % 2 ? 0xFFFFFFFFu : 0xFF000000u | (rng() & 0x3F3F3Fu);
            const float x0 = coord(), y0 = coord(), x1 = coord(), y1 = coord();
            const float u0 = float(rng() % 64) / 32.0f - 0.5f, v0 = float(rng() % 64) / 32.0f - 0.5f;
            const bool oneToOne = rng() % 2;
            const float u1 = oneToOne ? u0 + (x1 - x0) / 32.0f : float(rng() % 2048) / 1024.0f - 0.5f;
            const float v1 = oneToOne ? v0 + (y1 - y0) / 32.0f : float(rng() % 2048) / 1024.0f - 0.5f;
            TLVertex q[6];
            Quad(q, x0, y0, x1, y1, color, u0, v0, u1, v1);
            if (rng() % 6 == 0) q[3].u += 1.0f / 64, q[3].v -= 1.0f / 128;  // texels off the sides
            if (rng() % 8 == 0) q[3].color ^= 0x010000u;                     // one corner's colour
            if (rng() % 8 == 0) q[3].rhw = 0.5f;                             // one corner's divisor
            if (rng() % 8 == 0) q[1].y += 1.0f / 16, q[5].y = q[1].y;        // a corner off upright
            v.insert(v.end(), q, q + 6);
        }
        ASSERT_EQ(Drawn(v, true), Drawn(v, false)) << "list " << list;
    }
    dev->SetTexture(0, nullptr);
    tex->Release();
}

}  // namespace
}  // namespace host::test
