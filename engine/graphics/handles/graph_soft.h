// The software half of graphics: graphics kept as memory images, filled from base images
// and drawn through the software renderer.
#pragma once
#include <cstdint>

#include "engine/graphics/handles/graph_handles.h"

namespace orvik {

struct BaseImage;

// Writes width x height pixels at (x, y) of the image set from image point
// (x + offsetX, y + offsetY), alpha from alphaImage when given.
int TransferImageToMemImg(GraphRecord& record, const BaseImage* image, const BaseImage* alphaImage, int offsetX,
                          int offsetY, int x, int y, int width, int height);

// Software draws into the current software target (and through the blend mask's image
// when one is set). 0, or -1 without a target.
int DrawGraphMemImg(int x, int y, GraphRecord& record, int trans);
int DrawGraphStretchedMemImg(int x1, int y1, int x2, int y2, GraphRecord& record, int trans);
int DrawGraphRotatedMemImg(float x, float y, double scale, double angle, GraphRecord& record, int trans, int turn);
// Corners top-left, top-right, bottom-left, bottom-right, truncated toward 0.
int DrawGraphQuadMemImg(const float (&corners)[4][2], GraphRecord& record, int trans);
// A flat quadrangle of two triangles, corners in the same order.
int DrawPolygonMemImg(const int32_t (&corners)[4][2], uint32_t color);
int DrawBoxMemImg(int x1, int y1, int x2, int y2, uint32_t color);
int DrawLineBoxMemImg(int x1, int y1, int x2, int y2, uint32_t color);
int DrawLineMemImg(int x1, int y1, int x2, int y2, uint32_t color);

}  // namespace orvik
