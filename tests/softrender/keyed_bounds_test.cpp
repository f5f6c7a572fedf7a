// Where a keyed source shows: one shown texel at every place of images of each pixel
// size must give exactly its own rectangle, whichever vector chunk or tail it falls in.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/graphics/images/pixel_access.h"
#include "engine/softrender/draws/keyed_bounds.h"
#include "engine/softrender/pipeline/memimg.h"

namespace {

using namespace orvik;

TEST(KeyedBoundsTest, OneShownTexelIsItsOwnRectangle) {
    constexpr int kW = 37, kH = 4;
    for (const int type : {kMemImgSingle8, kMemImgRgb565, kMemImgXrgb32}) {
        MEMIMG img{};
        ASSERT_EQ(SetupMemImg(&img, kW, kH, -1, 0, type, 0, 0, 0, nullptr), 0);
        const int bytes = MemImgBytesPerPixel(&img);
        const uint32_t trans = 0x5A5A5A5A, shown = 0x5A5A5A5B;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                for (int row = 0; row < kH; ++row)
                    for (int col = 0; col < kW; ++col)
                        StorePixel(img.pixels + row * img.store->pitch + col * bytes, bytes,
                                   col == x && row == y ? shown : trans);
                const Rect r = soft::KeyedSourceBounds(img, bytes, trans & (bytes == 4 ? ~0u : (1u << 8 * bytes) - 1));
                ASSERT_EQ(r.left, x) << bytes << " bytes at " << x << "," << y;
                ASSERT_EQ(r.right, x + 1) << bytes << " bytes at " << x << "," << y;
                ASSERT_EQ(r.top, y) << bytes << " bytes at " << x << "," << y;
                ASSERT_EQ(r.bottom, y + 1) << bytes << " bytes at " << x << "," << y;
            }
        std::memset(img.pixels, 0x5A, size_t(img.store->pitch) * kH);
        EXPECT_EQ(soft::KeyedSourceBounds(img, bytes, trans & (bytes == 4 ? ~0u : (1u << 8 * bytes) - 1)).right, 0);
        ReleaseMemImg(&img);
    }
}

}  // namespace
