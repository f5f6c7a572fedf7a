// How big points are drawn: the vertex's own size or the point-size state, scaled by
// distance from the eye when point scaling is on, and clamped to the states' bounds.
#pragma once
#include "host/d3d9/device/d3d9_types.h"

namespace host {

// The largest point the device draws (reported in its caps).
constexpr float kMaxPointSize = 256.0f;

struct PointSizing {
    float size = 1;  // the point-size state: for vertices without a size of their own
    float min = 1, max = 64;
    bool scale = false;  // untransformed vertices' sizes shrink with distance
    float a = 1, b = 0, c = 0;
    float viewportHeight = 1;
};

PointSizing MakePointSizing(const DWORD* renderStates, float viewportHeight);

// The size on the screen of a point of size `size` whose vertex lies `distance` from the
// eye (in camera space); `scaled` for untransformed vertices under point scaling.
float ScreenPointSize(const PointSizing& p, float size, float distance, bool scaled);

}  // namespace host
