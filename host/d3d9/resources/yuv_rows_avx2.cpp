// The AVX2 build of the Y'CbCr rows (yuv_rows_vector.h), sixteen pixels a step, compiled
// with -mavx2 on x86-64. Without the flag this file converts nothing.
#include "host/d3d9/resources/yuv_rows.h"

#if defined(__AVX2__)
#define HOST_SPAN_ISA avx2
#include "host/d3d9/resources/yuv_rows_vector.h"
#undef HOST_SPAN_ISA

namespace host {

int ConvertYuv420RowHeadAvx2(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint32_t* out, int width) {
    return avx2::yuv_rows::Yuv420RowHead<avx2::Avx2>(y, u, v, out, width);
}

int ConvertYuvRowsToBgrHeadAvx2(const uint8_t* y0, const uint8_t* y1, const uint8_t* u, const uint8_t* v,
                                uint8_t* out0, uint8_t* out1, int width, int chromaShift) {
    return avx2::yuv_rows::BgrRowsHead<avx2::Avx2>(y0, y1, u, v, out0, out1, width, chromaShift);
}

}  // namespace host

#else

namespace host {
int ConvertYuv420RowHeadAvx2(const uint8_t*, const uint8_t*, const uint8_t*, uint32_t*, int) { return 0; }
int ConvertYuvRowsToBgrHeadAvx2(const uint8_t*, const uint8_t*, const uint8_t*, const uint8_t*, uint8_t*, uint8_t*,
                                int, int) {
    return 0;
}
}  // namespace host

#endif
