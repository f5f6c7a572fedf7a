// Integer rectangles (right and bottom exclusive) and their clip against bounds.
#pragma once
#include <cstdint>

namespace orvik {

struct Rect {
    int32_t left, top, right, bottom;
};

// Clips the rectangle in place into the bounds; one lying outside becomes an empty
// rectangle on the bounds' edge. A reversed rectangle is first made empty. 0.
int ClipRect(Rect* rect, const Rect* bounds);

}  // namespace orvik
