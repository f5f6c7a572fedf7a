// A small seeded generator: the art, maps and music must come out byte-identical on
// every run, so nothing here may depend on the time or on std:: distributions.
#pragma once
#include <cstdint>

namespace gamedata {

class Rng {
 public:
  explicit Rng(std::uint64_t seed) : state_(seed) {}

  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in [0, 1).
  double Unit() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }
  double Range(double lo, double hi) { return lo + (hi - lo) * Unit(); }
  // Uniform whole number in [0, n).
  int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint64_t>(n)); }

 private:
  std::uint64_t state_;
};

// A stateless hash of grid coordinates, for noise lattices and per-cell choices.
inline std::uint32_t HashCoords(std::uint32_t seed, int a, int b, int c = 0) {
  std::uint32_t h = seed * 0x9E3779B1u;
  h ^= static_cast<std::uint32_t>(a) * 0x85EBCA77u;
  h = (h << 13) | (h >> 19);
  h ^= static_cast<std::uint32_t>(b) * 0xC2B2AE3Du;
  h = (h << 11) | (h >> 21);
  h ^= static_cast<std::uint32_t>(c) * 0x27D4EB2Fu;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  h *= 0x297A2D39u;
  h ^= h >> 15;
  return h;
}

inline double HashUnit(std::uint32_t seed, int a, int b, int c = 0) {
  return (HashCoords(seed, a, b, c) >> 8) * (1.0 / 16777216.0);
}

}  // namespace gamedata
