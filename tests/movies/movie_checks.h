// What a decoded movie pixel should be: the Y'CbCr colour of the frame it shows, turned
// into RGB by the video-range formula, within what encoding and rounding may move it.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "movie_builder.h"

namespace movie_test {

constexpr int kTolerance = 8;

inline uint32_t ExpectedRgb(const Yuv& c) {
    auto clamp = [](double v) { return uint32_t(std::clamp(int(v), 0, 255)); };
    const double l = 1.164 * (c.y - 16);
    return clamp(l + 1.596 * (c.v - 128)) << 16 | clamp(l - 0.391 * (c.u - 128) - 0.813 * (c.v - 128)) << 8 |
           clamp(l + 2.018 * (c.u - 128));
}

// An assertion's message takes each value through a stream of its own, so std::hex
// would not hold.
inline std::string Hex(uint32_t rgb) {
    char text[12];
    std::snprintf(text, sizeof text, "0x%06X", unsigned(rgb & 0xFFFFFF));
    return text;
}

inline ::testing::AssertionResult Near(uint32_t got, uint32_t want, int tolerance = kTolerance) {
    for (int shift = 0; shift <= 16; shift += 8)
        if (std::abs(int(got >> shift & 255) - int(want >> shift & 255)) > tolerance)
            return ::testing::AssertionFailure() << "pixel " << Hex(got) << " is not near " << Hex(want);
    return ::testing::AssertionSuccess();
}

// Top-half and bottom-half pixel of frame i as read by at(x, y) (0x00RRGGBB).
template <class At>
::testing::AssertionResult ShowsFrame(At at, int frame, const std::function<FramePair(int)>& colours = DefaultFrame) {
    const FramePair c = colours(frame);
    auto top = Near(at(5, 3), ExpectedRgb(c.top));
    if (!top) return top << " (top of frame " << frame << ")";
    auto bottom = Near(at(20, 28), ExpectedRgb(c.bottom));
    if (!bottom) return bottom << " (bottom of frame " << frame << ")";
    return ::testing::AssertionSuccess();
}

inline std::string WriteBytes(const std::string& directory, const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string path = directory + "/" + name;
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    return path;
}

}  // namespace movie_test
