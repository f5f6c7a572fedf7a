// Decoded pictures into the rows the file source hands on: 24-bit pixels (blue, green,
// red), top row first, rows `pitch` apart, at the size the stream was opened with.
// Y'CbCr 4:2:0, 4:2:2 and 4:4:4 pictures of that size in BT.601 video range (or of no
// declared range and matrix) go through the video rows' own conversion
// (host/d3d9/resources/yuv_rows.h), as the device's video surfaces and the engine's Theora frames
// do, so every movie shows the same colours; any other picture goes through FFmpeg's
// scaler, told the range and matrix the picture declares, which also brings a damaged
// stream's picture of another size to the stream's.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

struct AVFrame;
struct SwsContext;

namespace host::graph {

class PictureRows {
public:
    // Bytes the scaler may store past the end of a row of its output: `out` has this much
    // room behind its last row.
    static constexpr int32_t kRoomBehind = 64;

    PictureRows(int32_t width, int32_t height, int32_t pitch);
    ~PictureRows();
    // Writes `frame` into `out` (pitch x height bytes); false when it cannot, or when the
    // scaler's room cannot be had.
    bool Convert(const AVFrame& frame, uint8_t* out);

private:
    bool ConvertYuv(const AVFrame& frame, uint8_t* out) const;
    bool Scale(const AVFrame& frame, uint8_t* out);

    struct ScalerFree {
        void operator()(SwsContext* s) const;
    };
    int32_t width_, height_, pitch_;
    std::unique_ptr<SwsContext, ScalerFree> scaler_;
    // Rows the scaler's vector code cannot write in place are scaled first into this
    // buffer of wider rows, each with room behind it, and the block too; made on first use.
    std::vector<uint8_t> scaled_;
    int32_t scaledStride_;
};

}  // namespace host::graph
