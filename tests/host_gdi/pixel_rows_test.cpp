// The window's row converters: the vector builds against the conversion by masks, and
// scaled presents against the nearest-pixel mapping, on random pixels.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <random>
#include <vector>

#include "host/backends/backend.h"
#include "host/backends/headless/headless.h"
#include "host/gdi/dib_output.h"
#include "host/gdi/pixel_rows.h"
#include "host/win/system/types.h"

namespace {

using namespace host;

struct Masks {
    int bits;
    uint32_t red, green, blue;
};
constexpr Masks kScreenLayouts[] = {{16, 0xF800, 0x7E0, 0x1F}, {16, 0x7C00, 0x3E0, 0x1F}, {32, 0xFF0000, 0xFF00, 0xFF}};

std::vector<uint8_t> RandomBytes(size_t count, std::mt19937& random) {
    std::vector<uint8_t> bytes(count);
    for (uint8_t& b : bytes) b = uint8_t(random());
    return bytes;
}

class PixelRowsTest : public ::testing::Test {
protected:
    void TearDown() override { ResetPixelRowIsa(); }
};

TEST_F(PixelRowsTest, VectorRowsMatchTheMaskConversion) {
    std::mt19937 random(7);
    for (const PixelRowIsa isa : {PixelRowIsa::Sse2, PixelRowIsa::Avx2}) {
        if (!UsePixelRowIsa(isa)) continue;
        for (const Masks& m : kScreenLayouts) {
            const PixelLayout layout = MakePixelLayout(m.bits, m.red, m.green, m.blue);
            const PixelRowFn convert = PixelRowConverter(layout);
            // Widths around every vector size, rows starting off any alignment.
            for (size_t width = 0; width <= 70; ++width) {
                const size_t offset = width % 3 * size_t(layout.bytes);
                const std::vector<uint8_t> row = RandomBytes(offset + width * size_t(layout.bytes), random);
                std::vector<uint32_t> got(width + 1, 0xDEADBEEF);
                convert(layout, got.data(), row.data() + offset, width);
                for (size_t x = 0; x < width; ++x)
                    ASSERT_EQ(got[x], ToXrgb(layout, row.data() + offset + x * size_t(layout.bytes)))
                        << int(isa) << " " << m.bits << "-bit mask " << m.red << " width " << width << " x " << x;
                EXPECT_EQ(got[width], 0xDEADBEEF) << "written past the row";
            }
        }
    }
}

TEST_F(PixelRowsTest, TheSoftwareRenderersAvx2SwitchKeepsTheConvertersOffAvx2) {
    ::setenv("ORVIK_SOFT_NO_AVX2", "1", 1);
    ResetPixelRowIsa();
    const PixelRowIsa switchedOff = PixelRowIsaInUse();
    ::unsetenv("ORVIK_SOFT_NO_AVX2");
    ResetPixelRowIsa();
    EXPECT_NE(switchedOff, PixelRowIsa::Avx2);
    const PixelRowIsa fresh = PixelRowIsaInUse();
    EXPECT_EQ(fresh == PixelRowIsa::Avx2, UsePixelRowIsa(PixelRowIsa::Avx2));
}

TEST_F(PixelRowsTest, ScaledPresentsPickTheNearestSourcePixel) {
    UseBackend("headless");
    headless::Reset();
    std::mt19937 random(11);
    constexpr int kWidth = 37, kHeight = 23;
    // {dx, dy, dw, dh, sx, sy, sw, sh}: enlarged, shrunk, uneven, and partly outside the
    // picture on the left and top.
    const int placements[][8] = {{0, 0, 74, 46, 0, 0, 37, 23},  {0, 0, 13, 9, 3, 2, 30, 20},
                                 {0, 0, 61, 17, 5, 1, 29, 22}, {-7, -5, 50, 40, 1, 0, 35, 23}};
    for (const Masks& m : kScreenLayouts) {
        const PixelLayout layout = MakePixelLayout(m.bits, m.red, m.green, m.blue);
        const int stride = (kWidth * m.bits + 31) / 32 * 4;  // rows padded to four bytes
        const std::vector<uint8_t> bits = RandomBytes(size_t(stride * kHeight), random);
        BITMAPINFO info;
        info.bmiHeader.biWidth = kWidth;
        info.bmiHeader.biHeight = -kHeight;
        info.bmiHeader.biBitCount = uint16_t(m.bits);
        info.bmiHeader.biCompression = BI_BITFIELDS;
        info.bmiColors[0] = m.red, info.bmiColors[1] = m.green, info.bmiColors[2] = m.blue;
        for (const auto& p : placements) {
            ResetWindowPicture();
            ASSERT_EQ(StretchDIBits(HandleFromId<HDC>(1), p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7], bits.data(),
                                    &info, DIB_RGB_COLORS, SRCCOPY),
                      p[3]);
            const WindowPicture shown = LastWindowPicture();
            ASSERT_EQ(shown.width, p[0] + p[2]);
            for (int y = -p[1]; y < p[3]; ++y)
                for (int x = -p[0]; x < p[2]; ++x) {
                    const int sx = p[4] + x * p[6] / p[2], sy = p[5] + y * p[7] / p[3];
                    const uint8_t* source = bits.data() + size_t(sy * stride + sx * layout.bytes);
                    ASSERT_EQ(shown.pixels[size_t((p[1] + y) * shown.width + p[0] + x)], ToXrgb(layout, source))
                        << m.bits << "-bit, placement " << p[2] << "x" << p[3] << " at " << x << "," << y;
                }
        }
    }
}

}  // namespace
