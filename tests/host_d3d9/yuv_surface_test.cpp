// Offscreen surfaces in the video formats: their layout as a lock shows it, and their
// conversion to RGB by StretchRect, worked by hand from BT.601 video range in steps of
// 1/16384.
#include <algorithm>
#include <random>
#include <vector>

#include "device_fixture.h"
#include "host/d3d9/resources/yuv_rows.h"
#include "host/gdi/pixel_rows.h"

namespace host::test {
namespace {

class YuvSurfaceTest : public DeviceTest {
protected:
    Surface* Make(D3DFORMAT format, UINT width, UINT height) {
        Surface* s = nullptr;
        EXPECT_EQ(dev->CreateOffscreenPlainSurface(width, height, format, D3DPOOL_DEFAULT, &s, nullptr), D3D_OK);
        return s;
    }
    // Writes through a lock: `fill` gets the bits and the pitch.
    template <class Fill>
    static void Write(Surface* s, Fill fill) {
        D3DLOCKED_RECT lr;
        ASSERT_EQ(s->LockRect(&lr, nullptr, 0), D3D_OK);
        fill(static_cast<uint8_t*>(lr.pBits), lr.Pitch);
        ASSERT_EQ(s->UnlockRect(), D3D_OK);
    }
};

// Two pixels in four bytes: Y0 U Y1 V for YUY2, U Y0 V Y1 for UYVY.
TEST_F(YuvSurfaceTest, PackedFormatsShareChromaBetweenPairsOfPixels) {
    for (D3DFORMAT format : {D3DFMT_YUY2, D3DFMT_UYVY}) {
        Surface* s = Make(format, 4, 1);
        ASSERT_NE(s, nullptr);
        Write(s, [&](uint8_t* bits, int) {
            // Pixels (16, 128, 128) (235, ...) then (236, 128, 128) (126, 90, 240).
            const uint8_t yuy2[8] = {16, 128, 235, 128, 236, 90, 126, 240};
            const uint8_t uyvy[8] = {128, 16, 128, 235, 90, 236, 240, 126};
            std::memcpy(bits, format == D3DFMT_YUY2 ? yuy2 : uyvy, 8);
        });
        ASSERT_EQ(dev->StretchRect(s, nullptr, back, nullptr, D3DTEXF_NONE), D3D_OK);
        EXPECT_EQ(Pixel(0, 0), 0xFF000000u);
        // Y 235 comes to 254.9, truncated: the top of video range is 254, not 255.
        EXPECT_EQ(Pixel(4, 0), 0xFFFEFEFEu);
        // Y 236 with grey chroma is over the top, and the pair's U 90, V 240 is red:
        // 236: 256.04 -> 255, with red 255 + 178.7, green 256.04 + 14.9 - 91.1 = 179.9,
        // blue 256.04 - 76.7 = 179.4.
        EXPECT_EQ(Pixel(8, 0), 0xFFFFB3B3u);
        // 126: 128.04; red 306.8 -> 255, green 51.8, blue 51.3.
        EXPECT_EQ(Pixel(12, 0), 0xFFFF3333u);
        s->Release();
    }
}

// The Y rows, then the V rows, then the U rows, each chroma row half the pitch apart.
TEST_F(YuvSurfaceTest, Yv12HoldsTheVPlaneBeforeTheUPlane) {
    Surface* s = Make(D3DFMT_YV12, 4, 4);
    ASSERT_NE(s, nullptr);
    Write(s, [](uint8_t* bits, int pitch) {
        for (int y = 0; y < 4; ++y) std::memset(bits + y * pitch, 126, 4);
        uint8_t* v = bits + 4 * pitch;
        uint8_t* u = v + 2 * (pitch / 2);
        for (int y = 0; y < 2; ++y) {
            v[y * (pitch / 2)] = 240, v[y * (pitch / 2) + 1] = 128;
            u[y * (pitch / 2)] = 90, u[y * (pitch / 2) + 1] = 128;
        }
    });
    const RECT dest{0, 0, 4, 4};
    ASSERT_EQ(dev->StretchRect(s, nullptr, back, &dest, D3DTEXF_NONE), D3D_OK);
    for (int y = 0; y < 4; ++y) {
        EXPECT_EQ(Pixel(1, y), 0xFFFF3333u) << y;  // the left 2 x 2 blocks: red
        EXPECT_EQ(Pixel(3, y), 0xFF808080u) << y;  // the right ones: grey 128
    }
    // Part of the picture, at its own size, at another place.
    const RECT right{2, 0, 4, 4}, left{0, 0, 2, 4};
    ASSERT_EQ(dev->StretchRect(s, &right, back, &left, D3DTEXF_NONE), D3D_OK);
    EXPECT_EQ(Pixel(0, 3), 0xFF808080u);
    // Doubled, each source pixel covers two.
    const RECT big{0, 0, 8, 8};
    ASSERT_EQ(dev->StretchRect(s, nullptr, back, &big, D3DTEXF_NONE), D3D_OK);
    EXPECT_EQ(Pixel(3, 7), 0xFFFF3333u);
    EXPECT_EQ(Pixel(4, 7), 0xFF808080u);
    s->Release();
}

// The rule worked in 32 bits, as 0xFFRRGGBB.
uint32_t ByTheRule(int y, int u, int v) {
    const auto channel = [](int32_t sum) { return uint32_t(std::clamp(sum / 16384, 0, 255)); };
    const int32_t l = 19070 * (y - 16), cu = u - 128, cv = v - 128;
    return 0xFF000000u | channel(l + 26148 * cv) << 16 | channel(l - 6406 * cu - 13320 * cv) << 8 | channel(l + 33062 * cu);
}

std::vector<uint8_t> RandomBytes(std::mt19937& random, size_t n) {
    std::vector<uint8_t> bytes(n);
    for (uint8_t& b : bytes) b = uint8_t(random());
    return bytes;
}

// The vector steps of 4:2:0 rows give the per-pixel rule's values, on random samples in
// rows of every length around a step's, and write nothing past the row; each vector set
// leaves less than a step (16 pixels at most) to the caller.
TEST(YuvRowsTest, VectorStepsGiveThePerPixelRulesValues) {
    std::mt19937 random(11);
    for (const PixelRowIsa isa : {PixelRowIsa::Scalar, PixelRowIsa::Sse2, PixelRowIsa::Avx2}) {
        if (!UsePixelRowIsa(isa)) continue;
        for (int width = 0; width <= 40; ++width)
            for (int trial = 0; trial < 16; ++trial) {
                const size_t n = size_t(width);
                const std::vector<uint8_t> y = RandomBytes(random, n), u = RandomBytes(random, (n + 1) / 2),
                                           v = RandomBytes(random, (n + 1) / 2);
                std::vector<uint32_t> out(n + 1, 0xDEADBEEF);
                const int done = ConvertYuv420RowHead(y.data(), u.data(), v.data(), out.data(), width);
                ASSERT_LE(done, width);
                if (isa != PixelRowIsa::Scalar) {
                    ASSERT_GT(done + 16, width) << "isa " << int(isa);
                }
                EXPECT_EQ(out[n], 0xDEADBEEF) << "written past the row";
                for (int x = 0; x < done; ++x)
                    ASSERT_EQ(out[size_t(x)], ByTheRule(y[size_t(x)], u[size_t(x / 2)], v[size_t(x / 2)]))
                        << "isa " << int(isa) << " width " << width << " x " << x;
            }
    }
    ResetPixelRowIsa();
}

// Whole pictures into 24-bit rows, in each chroma layout, at odd sizes and sizes around
// the vector steps, under each instruction set: every pixel the rule's value with the
// chroma sample that covers it, and the bytes between rows left alone.
TEST(YuvRowsTest, PicturesOfEveryLayoutGiveTheRulesValues) {
    std::mt19937 random(12);
    for (const PixelRowIsa isa : {PixelRowIsa::Scalar, PixelRowIsa::Sse2, PixelRowIsa::Avx2}) {
        if (!UsePixelRowIsa(isa)) continue;
        for (const auto& [across, down] : {std::pair{1, 1}, std::pair{1, 0}, std::pair{0, 0}})
            for (int width : {1, 15, 16, 17, 33, 50})
                for (int height : {1, 2, 5}) {
                    const int cw = (width + across) >> across, ch = (height + down) >> down;
                    const ptrdiff_t stride[3] = {width + 3, cw + 5, cw + 1};
                    const std::vector<uint8_t> y = RandomBytes(random, size_t(stride[0] * height)),
                                               u = RandomBytes(random, size_t(stride[1] * ch)),
                                               v = RandomBytes(random, size_t(stride[2] * ch));
                    const ptrdiff_t pitch = width * 3 + 7;
                    std::vector<uint8_t> out(size_t(pitch * height), 0xAB);
                    ConvertYuvPictureToBgr({{y.data(), u.data(), v.data()}, {stride[0], stride[1], stride[2]},
                                            width, height, across, down},
                                           out.data(), pitch);
                    int differ = 0, touched = 0;
                    for (int row = 0; row < height; ++row) {
                        const uint8_t* o = out.data() + row * pitch;
                        for (int x = 0; x < width; ++x) {
                            const ptrdiff_t c = (x >> across);
                            const uint32_t want = ByTheRule(y[size_t(row * stride[0] + x)], u[size_t((row >> down) * stride[1] + c)],
                                                            v[size_t((row >> down) * stride[2] + c)]);
                            differ += (uint32_t(o[2]) << 16 | o[1] << 8 | o[0] | 0xFF000000u) != want;
                            o += 3;
                        }
                        for (int pad = 0; pad < 7; ++pad) touched += o[pad] != 0xAB;
                    }
                    EXPECT_EQ(differ, 0) << "isa " << int(isa) << " layout " << across << down << " " << width << " x " << height;
                    EXPECT_EQ(touched, 0) << "isa " << int(isa) << " layout " << across << down << " " << width << " x " << height;
                }
    }
    ResetPixelRowIsa();
}

TEST_F(YuvSurfaceTest, VideoFormatsAreOnlyEverASourceAndCanBeRefused) {
    Surface* s = Make(D3DFMT_YUY2, 4, 4);
    ASSERT_NE(s, nullptr);
    Surface* t = Make(D3DFMT_YV12, 4, 4);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(dev->StretchRect(back, nullptr, s, nullptr, D3DTEXF_NONE), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->StretchRect(t, nullptr, s, nullptr, D3DTEXF_NONE), D3DERR_INVALIDCALL);
    s->Release();
    t->Release();
    D3D9Settings().refusedFormats = {D3DFMT_YV12};
    Surface* refused = nullptr;
    EXPECT_EQ(dev->CreateOffscreenPlainSurface(4, 4, D3DFMT_YV12, D3DPOOL_DEFAULT, &refused, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(refused, nullptr);
}

}  // namespace
}  // namespace host::test
