// What one image transfer into a graphic's textures works with: rectangles in image-set
// coordinates and the source images with their offset; and the transfer of
// block-compressed images.
#pragma once
#include <algorithm>
#include <cstdint>

#include "engine/graphics/images/base_image.h"
#include "engine/graphics/handles/graph_handles.h"
#include "host/d3d9/device/d3d9_types.h"

namespace orvik {

struct Box {
    int x1, y1, x2, y2;
    bool Empty() const { return x1 >= x2 || y1 >= y2; }
};

inline Box Intersect(const Box& a, const Box& b) {
    return {std::max(a.x1, b.x1), std::max(a.y1, b.y1), std::min(a.x2, b.x2), std::min(a.y2, b.y2)};
}

// The smallest box around both; an empty one adds nothing.
inline Box Union(const Box& a, const Box& b) {
    if (a.Empty()) return b;
    if (b.Empty()) return a;
    return {std::min(a.x1, b.x1), std::min(a.y1, b.y1), std::max(a.x2, b.x2), std::max(a.y2, b.y2)};
}

struct TransferJob {
    const BaseImage* image;
    const BaseImage* alpha;
    int sourceX, sourceY;  // image point that lands on the graphic's (0, 0) of the set box
    int key;
    uint32_t keyColor;
};

// The images of a transfer into plain pixels: block-compressed ones are decoded into
// copies this object owns, the caller's images stay as they are.
class PlainTransferImages {
public:
    PlainTransferImages() = default;
    PlainTransferImages(const PlainTransferImages&) = delete;
    PlainTransferImages& operator=(const PlainTransferImages&) = delete;
    ~PlainTransferImages();
    // 0, or -1 (logged) when memory for a decoded copy cannot be had.
    int Prepare(const BaseImage& image, const BaseImage* alpha);
    const BaseImage& Image() const { return *image_; }
    const BaseImage* Alpha() const { return alpha_; }

private:
    const BaseImage* image_ = nullptr;
    const BaseImage* alpha_ = nullptr;
    BaseImage decoded_[2]{};
};

// Copies the job's blocks into a compressed texture piece. Only an image of the
// texture's own kind that covers the piece whole from its origin can go in as it is;
// anything else is logged and leaves the piece unchanged (-1).
int TransferCompressedPiece(const TransferJob& job, const Box& box, const TexturePiece& piece,
                            host::D3DFORMAT format);

}  // namespace orvik
