#include "host/d3d9/yuv_rows.h"

#include "host/gdi/pixel_rows.h"

namespace host {

int ConvertYuv420RowHead(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint32_t* out, int width) {
    return PixelRowIsaInUse() == PixelRowIsa::Avx2 ? ConvertYuv420RowHeadAvx2(y, u, v, out, width) : 0;
}

}  // namespace host
