// A bare H.264 stream made to claim another picture size: each sequence parameter set is
// written again with the width and height given, which FFmpeg learns only as it probes
// the stream.
#pragma once
#include <cstdint>
#include <vector>

namespace movie_test {

// `stream` in Annex B form (start codes) with every sequence parameter set from the
// `from`th (counting from 0) on claiming width x height (multiples of 16); the rest of
// each set, and every other unit, as it was.
std::vector<uint8_t> H264Claiming(const std::vector<uint8_t>& stream, int width, int height, int from = 0);

}  // namespace movie_test
