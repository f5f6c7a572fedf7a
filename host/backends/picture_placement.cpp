#include "host/backends/picture_placement.h"

#include <algorithm>
#include <cstdint>

namespace host {

PicturePlacement PlacePicture(int pictureW, int pictureH, int outW, int outH) {
    if (pictureW <= 0 || pictureH <= 0 || outW <= 0 || outH <= 0) return {};
    int scale = std::min(outW / pictureW, outH / pictureH);
    int w, h;
    if (scale >= 1) {
        w = pictureW * scale;
        h = pictureH * scale;
    } else if (int64_t(outW) * pictureH <= int64_t(outH) * pictureW) {
        w = outW;
        h = int(int64_t(outW) * pictureH / pictureW);
    } else {
        h = outH;
        w = int(int64_t(outH) * pictureW / pictureH);
    }
    return PicturePlacement{(outW - w) / 2, (outH - h) / 2, w, h};
}

}  // namespace host
