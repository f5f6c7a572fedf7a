#include "host/d3d9/resources/yuv_rows.h"

#include "host/gdi/pixel_rows.h"

#if defined(__SSE2__)
#define HOST_SPAN_ISA sse2
#include "host/d3d9/resources/yuv_rows_vector.h"
#undef HOST_SPAN_ISA
#endif

namespace host {

namespace {

// The vector builds of the instruction set in use; null where there is none.
struct VectorRows {
    decltype(&ConvertYuv420RowHeadAvx2) xrgb420;
    decltype(&ConvertYuvRowsToBgrHeadAvx2) bgr;
};

const VectorRows* VectorRowsInUse() {
    static constexpr VectorRows kAvx2{&ConvertYuv420RowHeadAvx2, &ConvertYuvRowsToBgrHeadAvx2};
    switch (PixelRowIsaInUse()) {
    case PixelRowIsa::Avx2: return &kAvx2;
#if defined(__SSE2__)
    case PixelRowIsa::Sse2: {
        static constexpr VectorRows kSse2{&sse2::yuv_rows::Yuv420RowHead<sse2::Sse2>,
                                          &sse2::yuv_rows::BgrRowsHead<sse2::Sse2>};
        return &kSse2;
    }
#endif
    default: return nullptr;
    }
}

// The pixels of a row from `x` on, one at a time.
void BgrRowTail(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* out, int x, int width, int shift) {
    for (; x < width; ++x) {
        const YuvRgb p = YuvToRgb(y[x], u[x >> shift], v[x >> shift]);
        out[3 * x] = p.b, out[3 * x + 1] = p.g, out[3 * x + 2] = p.r;
    }
}

}  // namespace

int ConvertYuv420RowHead(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint32_t* out, int width) {
    const VectorRows* rows = VectorRowsInUse();
    return rows ? rows->xrgb420(y, u, v, out, width) : 0;
}

// Rows that share a chroma row are converted together, its chroma worked out once.
void ConvertYuvPictureToBgr(const YuvPicture& p, uint8_t* out, ptrdiff_t pitch) {
    const int shift = p.shiftAcross;
    const VectorRows* rows = VectorRowsInUse();
    for (int row = 0; row < p.height; row += 1 << p.shiftDown) {
        const ptrdiff_t chromaRow = row >> p.shiftDown;
        const uint8_t* u = p.plane[1] + chromaRow * p.stride[1];
        const uint8_t* v = p.plane[2] + chromaRow * p.stride[2];
        const uint8_t* y0 = p.plane[0] + ptrdiff_t(row) * p.stride[0];
        uint8_t* out0 = out + ptrdiff_t(row) * pitch;
        const bool two = p.shiftDown && row + 1 < p.height;
        const uint8_t* y1 = two ? y0 + p.stride[0] : nullptr;
        uint8_t* out1 = two ? out0 + pitch : nullptr;
        const int done = rows ? rows->bgr(y0, y1, u, v, out0, out1, p.width, shift) : 0;
        BgrRowTail(y0, u, v, out0, done, p.width, shift);
        if (two) BgrRowTail(y1, u, v, out1, done, p.width, shift);
    }
}

}  // namespace host
