// Graphics drawn onto free quadrangles on the device. A quadrangle whose opposite edges
// are (nearly) parallel is two triangles; any other is drawn as a grid of small cells
// following the quadrangle, so the picture bends smoothly instead of folding along a
// diagonal.
#pragma once

namespace orvik {

struct GraphRecord;

// Corners top-left, top-right, bottom-left, bottom-right of the graphic (x, y).
using QuadCorners = float[4][2];

// The four-corner draw: with a blend mask the corners are cut to whole pixels and go to
// the subdividing routine; else each texture piece is placed by interpolating the corners.
int DrawGraphQuadD3D(const QuadCorners& corners, const GraphRecord& record, int trans);
// An axis-aligned rectangle is a stretched draw; without a blend mask the four-corner
// draw; with one, every piece as the indexed routine draws it.
int DrawQuadSubdividedD3D(const QuadCorners& corners, const GraphRecord& record, int trans);

}  // namespace orvik
