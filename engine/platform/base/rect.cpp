#include "engine/platform/base/rect.h"

#include <algorithm>

namespace orvik {

namespace {

// Like std::clamp, but bounds given the wrong way round clamp to the lower one instead of
// being undefined.
int32_t Clamp(int32_t value, int32_t low, int32_t high) { return std::max(low, std::min(value, high)); }

}  // namespace

int ClipRect(Rect* rect, const Rect* bounds) {
    if (!rect || !bounds) return -1;
    if (rect->right < rect->left) rect->right = rect->left;
    if (rect->bottom < rect->top) rect->bottom = rect->top;
    rect->bottom = Clamp(rect->bottom, bounds->top, bounds->bottom);
    rect->top = Clamp(rect->top, bounds->top, bounds->bottom);
    rect->right = Clamp(rect->right, bounds->left, bounds->right);
    rect->left = Clamp(rect->left, bounds->left, bounds->right);
    return 0;
}

}  // namespace orvik
