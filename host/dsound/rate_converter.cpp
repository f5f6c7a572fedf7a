#include "host/dsound/rate_converter.h"

#include <algorithm>

namespace host {

namespace {

// Catmull-Rom between f[1] and f[2], t in [0, 1): exact at t = 0, so output at the same
// rate is the source itself.
float Cubic(const float* f, float t) {
    return f[1] + 0.5f * t * (f[2] - f[0] + t * (2 * f[0] - 5 * f[1] + 4 * f[2] - f[3] +
                                                  t * (3 * (f[1] - f[2]) + f[3] - f[0])));
}

}  // namespace

void RateConverter::Follow(float left, float right) {
    left_[0] = left;
    right_[0] = right;
}

void RateConverter::Convert(float* left, float* right, uint32_t frames, double step, const Pull& pull) {
    if (frames == 0) return;
    // The last output reads up to three frames past its own; the frames it steps over
    // on the way to the next call's first are rendered too, so the source keeps time.
    const size_t need = std::max(size_t(position_ + double(frames - 1) * step) + 4,
                                 size_t(position_ + double(frames) * step) + 1);
    if (const size_t have = left_.size(); have < need) {
        left_.resize(need);
        right_.resize(need);
        pull(left_.data() + have, right_.data() + have, uint32_t(need - have));
    }
    for (uint32_t k = 0; k < frames; ++k) {
        const double p = position_ + double(k) * step;
        const size_t i = size_t(p);
        const float t = float(p - double(i));
        left[k] = Cubic(&left_[i], t);
        right[k] = Cubic(&right_[i], t);
    }
    position_ += double(frames) * step;
    const size_t passed = size_t(position_);
    left_.erase(left_.begin(), left_.begin() + long(passed));
    right_.erase(right_.begin(), right_.begin() + long(passed));
    position_ -= double(passed);
}

}  // namespace host
