// The matrix helpers the engine keeps to itself; the arithmetic programs use is in
// <orvik/math.h>.
#pragma once
#include <orvik/math.h>

namespace orvik {

// Where a projection with a negative aspect reads the screen size from (graphics
// installs its own; until then 640 x 480).
using ScreenSizeQuery = int (*)(int* width, int* height);
void SetProjectionScreenSizeQuery(ScreenSizeQuery query);

double PowFloat(float x, float y);

}  // namespace orvik
