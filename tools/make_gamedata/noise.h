// Smooth value noise over a lattice of hashed values, in 0..1.
#pragma once
#include <cmath>

#include "tools/make_gamedata/rng.h"

namespace gamedata {

// wrap > 0 makes the lattice repeat every `wrap` cells, so the noise tiles seamlessly.
inline double ValueNoise(std::uint32_t seed, double x, double y, int wrap = 0) {
  const int xi = static_cast<int>(std::floor(x)), yi = static_cast<int>(std::floor(y));
  const double fx = x - xi, fy = y - yi;
  const double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
  auto at = [&](int i, int j) {
    if (wrap > 0) i = (i % wrap + wrap) % wrap, j = (j % wrap + wrap) % wrap;
    return HashUnit(seed, i, j);
  };
  const double top = at(xi, yi) + (at(xi + 1, yi) - at(xi, yi)) * sx;
  const double bottom = at(xi, yi + 1) + (at(xi + 1, yi + 1) - at(xi, yi + 1)) * sx;
  return top + (bottom - top) * sy;
}

}  // namespace gamedata
