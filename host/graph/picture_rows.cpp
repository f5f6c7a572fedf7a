#include "host/graph/picture_rows.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
}

#include <cstring>
#include <new>

#include "host/d3d9/resources/yuv_rows.h"

namespace host::graph {

namespace {

// Pixels the scaler's vector code converts a step. Rows of whole steps it writes exactly;
// of other rows it stores up to a step past the end, and, when the rows are no further
// apart than their pitch, it leaves their last pixels out.
constexpr int32_t kScalerStep = 16;

struct ChromaShifts {
    int across, down;
};

// The subsampling of the planar layouts the video rows take; false for any other layout.
bool ShiftsOf(int format, ChromaShifts* shifts) {
    switch (format) {
    case AV_PIX_FMT_YUV420P: *shifts = {1, 1}; return true;
    case AV_PIX_FMT_YUV422P: *shifts = {1, 0}; return true;
    case AV_PIX_FMT_YUV444P: *shifts = {0, 0}; return true;
    default: return false;
    }
}

// BT.601 video range, the rule of the video rows. A picture that declares neither range
// nor matrix is taken so too, as the scaler takes it.
bool VideoRangeBt601(const AVFrame& f) {
    const bool range = f.color_range == AVCOL_RANGE_MPEG || f.color_range == AVCOL_RANGE_UNSPECIFIED;
    const bool matrix = f.colorspace == AVCOL_SPC_UNSPECIFIED || f.colorspace == AVCOL_SPC_BT470BG ||
                        f.colorspace == AVCOL_SPC_SMPTE170M;
    return range && matrix;
}

// The scaler takes every picture as BT.601 video range, unless told the range and matrix
// the picture declares; it is told again only when they change.
void TellColours(SwsContext* scaler, const AVFrame& f) {
    int *inverse = nullptr, *table = nullptr;
    int fromFull = 0, toFull = 0, brightness = 0, contrast = 0, saturation = 0;
    if (sws_getColorspaceDetails(scaler, &inverse, &fromFull, &table, &toFull, &brightness, &contrast, &saturation) < 0)
        return;
    const int* declared = sws_getCoefficients(f.colorspace);
    const int full = f.color_range == AVCOL_RANGE_JPEG ? 1 : 0;
    if (fromFull == full && std::memcmp(inverse, declared, 4 * sizeof(int)) == 0) return;
    sws_setColorspaceDetails(scaler, declared, full, table, toFull, brightness, contrast, saturation);
}

}  // namespace

void PictureRows::ScalerFree::operator()(SwsContext* s) const { sws_freeContext(s); }

PictureRows::PictureRows(int32_t width, int32_t height, int32_t pitch)
    : width_(width), height_(height), pitch_(pitch), scaledStride_((width * 3 + kRoomBehind + 63) & ~63) {}

PictureRows::~PictureRows() = default;

bool PictureRows::Convert(const AVFrame& f, uint8_t* out) { return ConvertYuv(f, out) || Scale(f, out); }

bool PictureRows::ConvertYuv(const AVFrame& f, uint8_t* out) const {
    ChromaShifts shifts;
    if (f.width != width_ || f.height != height_ || !ShiftsOf(f.format, &shifts) || !VideoRangeBt601(f)) return false;
    const YuvPicture picture{{f.data[0], f.data[1], f.data[2]},
                             {f.linesize[0], f.linesize[1], f.linesize[2]},
                             width_, height_, shifts.across, shifts.down};
    ConvertYuvPictureToBgr(picture, out, pitch_);
    return true;
}

// Every picture is scaled to the size the stream was opened with, whatever a damaged
// stream may claim later, so the pin's size always holds; its colours are taken as it
// declares them.
bool PictureRows::Scale(const AVFrame& f, uint8_t* out) {
    scaler_.reset(sws_getCachedContext(scaler_.release(), f.width, f.height, AVPixelFormat(f.format), width_, height_,
                                       AV_PIX_FMT_BGR24, SWS_BILINEAR, nullptr, nullptr, nullptr));
    if (!scaler_) return false;
    TellColours(scaler_.get(), f);
    const bool inPlace = width_ % kScalerStep == 0;
    if (!inPlace && scaled_.empty()) {
        try {
            scaled_.resize(size_t(scaledStride_) * size_t(height_) + kRoomBehind);
        } catch (const std::bad_alloc&) {
            return false;
        }
    }
    uint8_t* top[1] = {inPlace ? out : scaled_.data()};
    const int stride[1] = {inPlace ? pitch_ : scaledStride_};
    if (sws_scale(scaler_.get(), f.data, f.linesize, 0, f.height, top, stride) != height_) return false;
    if (!inPlace)
        for (int32_t y = 0; y < height_; ++y)
            std::memcpy(out + size_t(y) * size_t(pitch_), scaled_.data() + size_t(y) * size_t(scaledStride_),
                        size_t(width_) * 3);
    return true;
}

}  // namespace host::graph
