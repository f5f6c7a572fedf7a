// Carries a stereo source made at one fixed rate (a synthesiser, a movie's sound) over to
// the mixer's rate when the two differ: four-point cubic interpolation between the
// source's frames, pulled from it as they are needed. Taking over from output the source
// handed out directly, the first frame converted is the one that follows it, so the sound
// goes on without a step; when the rates agree the frames pass through unchanged.
#pragma once
#include <cstdint>
#include <functional>
#include <vector>

namespace host {

class RateConverter {
public:
    // Renders `frames` more frames of the source into left and right.
    using Pull = std::function<void(float* left, float* right, uint32_t frames)>;

    // True while no source frame is held beyond the last one handed out.
    bool Idle() const { return left_.size() == 1 && position_ == 0; }
    // The frame the caller last handed out itself: conversion goes on from it. Only
    // while idle.
    void Follow(float left, float right);
    // Writes `frames` frames, `step` source frames apart (source rate / output rate),
    // into left and right, pulling from `pull` what they need.
    void Convert(float* left, float* right, uint32_t frames, double step, const Pull& pull);

private:
    // Source frames from the one before the next output's on: [0] is only history.
    std::vector<float> left_ = {0.0f}, right_ = {0.0f};
    double position_ = 0;  // of the next output, in frames past [1]
};

}  // namespace host
