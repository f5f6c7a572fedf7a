// Rows of Y'CbCr pictures into RGB pixels, a vector at a time where the processor allows:
// BT.601 video range in integer steps of 1/16384, each channel's sum truncated toward
// zero and clamped to 0 ... 255. The host's video surfaces, the engine's Theora frames and
// the media graph's pictures all convert so, and give the same colours.
#pragma once
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

namespace host {

// The rule's weights, in 1/16384.
constexpr int32_t kYuvLuma = 19070, kYuvRedFromCr = 26148, kYuvGreenFromCb = -6406, kYuvGreenFromCr = -13320,
                  kYuvBlueFromCb = 33062;

// Each sample value's term of each sum, and the clamp of a sum's whole part, so that a
// pixel costs a few lookups. A sum's whole part is taken by an arithmetic shift, which
// rounds a negative sum down where the rule truncates it toward zero: the clamp makes
// both 0.
struct YuvTerms {
    static constexpr int32_t kLowestWhole = -320;  // below every sum's whole part
    std::array<int32_t, 256> luma, redFromCr, greenFromCb, greenFromCr, blueFromCb;
    std::array<uint8_t, 1024> clamp;
    constexpr uint8_t Channel(int32_t sum) const { return clamp[size_t((sum >> 14) - kLowestWhole)]; }
};

constexpr YuvTerms MakeYuvTerms() {
    YuvTerms t{};
    for (int32_t i = 0; i < 256; ++i) {
        t.luma[size_t(i)] = kYuvLuma * (i - 16);
        t.redFromCr[size_t(i)] = kYuvRedFromCr * (i - 128);
        t.greenFromCb[size_t(i)] = kYuvGreenFromCb * (i - 128);
        t.greenFromCr[size_t(i)] = kYuvGreenFromCr * (i - 128);
        t.blueFromCb[size_t(i)] = kYuvBlueFromCb * (i - 128);
    }
    for (size_t i = 0; i < t.clamp.size(); ++i) t.clamp[i] = uint8_t(std::clamp(int32_t(i) + YuvTerms::kLowestWhole, 0, 255));
    return t;
}

inline constexpr YuvTerms kYuvTerms = MakeYuvTerms();

struct YuvRgb {
    uint8_t r, g, b;
};

// One pixel by the rule.
constexpr YuvRgb YuvToRgb(int y, int u, int v) {
    const YuvTerms& t = kYuvTerms;
    const int32_t l = t.luma[size_t(y)];
    return {t.Channel(l + t.redFromCr[size_t(v)]), t.Channel(l + t.greenFromCb[size_t(u)] + t.greenFromCr[size_t(v)]),
            t.Channel(l + t.blueFromCb[size_t(u)])};
}

// The leading pixels of a 4:2:0 row (pixel x takes chroma sample x / 2) as 0xFFRRGGBB,
// in as many whole vector steps as the row holds, under the instruction set the row
// converters use (host/gdi/pixel_rows.h); the number of pixels written (0 where there is
// no vector build), the rest left to the caller.
int ConvertYuv420RowHead(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint32_t* out, int width);

// A planar picture: rows top first in each plane; a chroma plane has one sample for
// 1 << shiftAcross pixels of a row, and one row for 1 << shiftDown rows (each shift 0 or 1:
// 4:2:0 pictures 1 and 1, 4:2:2 1 and 0, 4:4:4 0 and 0).
struct YuvPicture {
    const uint8_t* plane[3];  // Y, Cb, Cr
    ptrdiff_t stride[3];
    int width, height, shiftAcross, shiftDown;
};

// The picture into 24-bit pixels (blue, green, red), rows `pitch` bytes apart.
void ConvertYuvPictureToBgr(const YuvPicture& picture, uint8_t* out, ptrdiff_t pitch);

// The AVX2 builds (yuv_rows_avx2.cpp), reached only where the processor has it: the
// pixels written in whole steps, 0 without the build. The 24-bit one converts one row,
// or two over the same chroma row when `y1` is not null.
int ConvertYuv420RowHeadAvx2(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint32_t* out, int width);
int ConvertYuvRowsToBgrHeadAvx2(const uint8_t* y0, const uint8_t* y1, const uint8_t* u, const uint8_t* v,
                                uint8_t* out0, uint8_t* out1, int width, int chromaShift);

}  // namespace host
