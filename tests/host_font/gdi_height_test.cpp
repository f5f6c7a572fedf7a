// GDI's height rule on the figures of real faces: a positive height is the cell, a
// negative one the em; leading and widths follow.
#include "host/font/gdi_height.h"

#include <gtest/gtest.h>

namespace {

// The Windows and horizontal-header figures of a Japanese gothic face (2048 units, a
// cell of 2203) and of a Latin monospace face with a line gap of its own.
host::DesignMetrics Gothic() {
    host::DesignMetrics d;
    d.unitsPerEm = 2048;
    d.winAscent = 1802;
    d.winDescent = 401;
    d.hheaAscent = 1802;
    d.hheaDescent = 246;
    d.aveCharWidth = 1024;
    d.maxAdvance = 2048;
    return d;
}

host::DesignMetrics LatinMono() {
    host::DesignMetrics d;
    d.unitsPerEm = 2048;
    d.winAscent = 1556;
    d.winDescent = 492;
    d.hheaAscent = 1556;
    d.hheaDescent = 492;
    d.lineGap = 410;
    d.aveCharWidth = 1233;
    d.maxAdvance = 1233;
    return d;
}

TEST(GdiHeight, PositiveHeightIsTheCell) {
    host::ScaledHeight s;
    ASSERT_TRUE(host::ScaleToGdiHeight(Gothic(), 16, s));
    // em = 16 x 2048 / 2203 = 14.87 -> 15; ascent = 1802 x 16 / 2203 = 13.09 -> 13.
    EXPECT_EQ(s.pixelsPerEm, 15);
    EXPECT_EQ(s.metrics.ascent, 13);
    EXPECT_EQ(s.metrics.descent, 3);
    EXPECT_EQ(s.metrics.internalLeading, 1);
    EXPECT_EQ(s.metrics.externalLeading, 0);
    EXPECT_EQ(s.metrics.maxCharWidth, 15);
    EXPECT_EQ(s.metrics.aveCharWidth, 8);

    ASSERT_TRUE(host::ScaleToGdiHeight(Gothic(), 24, s));
    EXPECT_EQ(s.pixelsPerEm, 22);  // 22.31
    EXPECT_EQ(s.metrics.ascent + s.metrics.descent, 24);
    EXPECT_EQ(s.metrics.ascent, 20);  // 19.63
    EXPECT_EQ(s.metrics.internalLeading, 2);
}

TEST(GdiHeight, NegativeHeightIsTheEm) {
    host::ScaledHeight s;
    ASSERT_TRUE(host::ScaleToGdiHeight(Gothic(), -16, s));
    EXPECT_EQ(s.pixelsPerEm, 16);
    EXPECT_EQ(s.metrics.ascent, 14);   // 14.08
    EXPECT_EQ(s.metrics.descent, 3);   // 3.13
    EXPECT_EQ(s.metrics.internalLeading, 1);
    EXPECT_EQ(s.metrics.maxCharWidth, 16);
}

TEST(GdiHeight, LineGapBeyondTheCellIsExternalLeading) {
    host::ScaledHeight s;
    ASSERT_TRUE(host::ScaleToGdiHeight(LatinMono(), -20, s));
    // The Windows cell equals the header's, so the whole gap of 410 units is leading.
    EXPECT_EQ(s.metrics.externalLeading, 4);  // 410 x 20 / 2048 = 4.0
    EXPECT_EQ(s.metrics.ascent, 15);          // 15.2
    EXPECT_EQ(s.metrics.descent, 5);          // 4.8
    EXPECT_EQ(s.metrics.maxCharWidth, 12);    // 12.04
}

TEST(GdiHeight, FacesWithoutWindowsMetricsUseTheHeader) {
    host::DesignMetrics d = LatinMono();
    d.winAscent = d.winDescent = 0;
    d.lineGap = 0;
    host::ScaledHeight s;
    ASSERT_TRUE(host::ScaleToGdiHeight(d, 16, s));
    EXPECT_EQ(s.metrics.ascent, 12);  // 1556 x 16 / 2048 = 12.16
    EXPECT_EQ(s.metrics.descent, 4);
    EXPECT_EQ(s.pixelsPerEm, 16);
    d.aveCharWidth = 0;
    ASSERT_TRUE(host::ScaleToGdiHeight(d, 16, s));
    EXPECT_EQ(s.metrics.aveCharWidth, (s.metrics.maxCharWidth + 1) / 2);
}

TEST(GdiHeight, TinyAndAbsurdRequests) {
    host::ScaledHeight s;
    ASSERT_TRUE(host::ScaleToGdiHeight(Gothic(), 1, s));
    EXPECT_EQ(s.pixelsPerEm, 1);  // never a zero em
    EXPECT_FALSE(host::ScaleToGdiHeight(Gothic(), 0, s));
    EXPECT_FALSE(host::ScaleToGdiHeight(Gothic(), host::kMaxGdiHeight + 1, s));
    EXPECT_FALSE(host::ScaleToGdiHeight(Gothic(), -host::kMaxGdiHeight - 1, s));
    host::DesignMetrics broken = Gothic();
    broken.unitsPerEm = 0;
    EXPECT_FALSE(host::ScaleToGdiHeight(broken, 16, s));
}

}  // namespace
