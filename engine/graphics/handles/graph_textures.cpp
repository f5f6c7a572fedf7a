#include "engine/graphics/handles/graph_textures.h"

#include "engine/graphics/handles/graph_soft.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/graphics/images/base_image.h"
#include "engine/graphics/draw/color_data.h"
#include "engine/graphics/device/com_release.h"
#include "engine/graphics/device/device_buffers.h"
#include "engine/graphics/device/graphics_system.h"
#include "engine/graphics/handles/shown_texels.h"
#include "engine/graphics/handles/texture_transfer.h"
#include "engine/graphics/device/vertex_batch.h"
#include "engine/platform/base/log.h"
#include "engine/platform/base/short_of_memory.h"
#include "host/d3d9/device/device.h"
#include "host/d3d9/resources/pixel_format.h"
#include "host/d3d9/resources/resources.h"

namespace orvik {

using namespace host;

namespace {

// Pixels a drawable texture's transfer converts at a time.
constexpr int kTransferBandPixels = 1 << 18;

D3DFORMAT SetFormat(const GraphImageSet& set) { return Graphics().dev.textureFormats[set.formatIndex]; }

bool Staged(const GraphImageSet& set) { return !set.drawable && (set.systemCopy || Graphics().dev.d3dIsEx); }

int ClearLevels(Texture* texture) {
    for (uint32_t level = 0; level < texture->GetLevelCount(); ++level) {
        D3DSURFACE_DESC desc;
        D3DLOCKED_RECT locked;
        texture->GetLevelDesc(level, &desc);
        if (FAILED(texture->LockRect(level, &locked, nullptr, 0))) return -1;
        for (uint32_t y = 0; y < desc.Height; ++y)
            std::memset(static_cast<uint8_t*>(locked.pBits) + size_t(y) * size_t(locked.Pitch), 0, size_t(locked.Pitch));
        texture->UnlockRect(level);
    }
    return 0;
}

int CreatePiece(GraphImageSet& set, TexturePiece& piece) {
    Device* d = Graphics().dev.device;
    const bool staged = Staged(set);
    // An image may claim more levels than its texture can have.
    const UINT levels = std::min<UINT>(set.mipLevels > 0 ? set.mipLevels : 1,
                                       Texture::FullLevelCount(UINT(piece.texWidth), UINT(piece.texHeight)));
    const D3DFORMAT format = SetFormat(set);
    const D3DPOOL pool = set.drawable || staged ? D3DPOOL_DEFAULT : D3DPOOL_MANAGED;
    if (FAILED(d->CreateTexture(UINT(piece.texWidth), UINT(piece.texHeight), levels,
                                set.drawable ? D3DUSAGE_RENDERTARGET : 0, format, pool, &piece.texture)))
        return AddLogText("書き込み専用テクスチャの作成に失敗しました\n");
    if (staged && FAILED(d->CreateTexture(UINT(piece.texWidth), UINT(piece.texHeight), levels, D3DUSAGE_DYNAMIC,
                                          format, D3DPOOL_SYSTEMMEM, &piece.staging))) {
        ReleaseObject(piece.texture);
        return AddLogText("メモリテクスチャの作成に失敗しました\n");
    }
    if (FAILED(piece.texture->GetSurfaceLevel(0, &piece.surface)))
        return AddLogText("テクスチャのサーフェスアドレスの取得に失敗しました\n");
    if (set.drawable) return d->ColorFill(piece.surface, nullptr, 0) == D3D_OK ? 0 : -1;
    if (set.dxt) return 0;
    if (ClearLevels(piece.staging ? piece.staging : piece.texture) != 0) return -1;
    if (piece.staging) d->UpdateTexture(piece.staging, piece.texture);
    NoteTrackedTexelWrite(piece);
    return 0;
}

// Repeats the last used column and row into the texture's spare edge, so filtering at
// the graphic's border does not pull in the cleared texels.
void PadEdges(uint8_t* bits, int pitch, int bpp, int width, int height, bool padRight, bool padBottom) {
    if (bpp != 2 && bpp != 4) return;
    if (padRight)
        for (int y = 0; y < height; ++y) {
            uint8_t* row = bits + size_t(y) * size_t(pitch);
            std::memcpy(row + size_t(width) * size_t(bpp), row + size_t(width - 1) * size_t(bpp), size_t(bpp));
        }
    if (padBottom) {
        const size_t bytes = size_t(width + (padRight ? 1 : 0)) * size_t(bpp);
        std::memcpy(bits + size_t(height) * size_t(pitch), bits + size_t(height - 1) * size_t(pitch), bytes);
    }
}

// Rebuilds levels 1 and up from level 0, each from the one above it.
int RebuildMipLevels(Texture* texture, const ColorFormat* format) {
    for (uint32_t level = 1; level < texture->GetLevelCount(); ++level) {
        D3DSURFACE_DESC above;
        texture->GetLevelDesc(level - 1, &above);
        D3DLOCKED_RECT src, dst;
        if (FAILED(texture->LockRect(level - 1, &src, nullptr, D3DLOCK_READONLY)))
            return AddLogText("ミップマップテクスチャのロックに失敗しました\n");
        if (FAILED(texture->LockRect(level, &dst, nullptr, 0))) {
            texture->UnlockRect(level - 1);
            return AddLogText("ミップマップテクスチャのロックに失敗しました\n");
        }
        HalveImageBlt(format, dst.pBits, dst.Pitch, src.pBits, src.Pitch, 0, 0, 0, 0, int(above.Width), int(above.Height));
        texture->UnlockRect(level);
        texture->UnlockRect(level - 1);
    }
    return 0;
}

// Converts the part of the job lying in box (image-set coordinates) into memory laid out
// as `format` at bits (which addresses box's top-left corner).
int ConvertInto(const TransferJob& job, const Box& box, void* bits, int pitch, const ColorFormat* format) {
    PixelRect src{box.x1 + job.sourceX, box.y1 + job.sourceY, box.x2 + job.sourceX, box.y2 + job.sourceY};
    const BaseImage* a = job.alpha;
    int r = ConvertPixelFormatBlt(bits, pitch, format, job.image->pixels, job.image->pitch, &job.image->format,
                                  a ? a->pixels : nullptr, a ? a->pitch : 0, a ? &a->format : nullptr, 0, 0, src, 0,
                                  job.key, job.keyColor, kDitherNone, 0, 0, 0, 0);
    return r < 0 ? -1 : 0;
}

// The piece's kept transfer surface when it has the box's size, else a new one (kept in
// the piece when `keep`); null when none can be made.
Surface* TransferSurface(TexturePiece& piece, int w, int h, D3DFORMAT format, bool keep) {
    Surface* kept = piece.transfer;
    if (kept && int(kept->Width()) == w && int(kept->Height()) == h && kept->Format() == format) {
        kept->AddRef();
        return kept;
    }
    ReleaseObject(piece.transfer);
    Surface* temp = nullptr;
    if (FAILED(Graphics().dev.device->CreateOffscreenPlainSurface(UINT(w), UINT(h), format, D3DPOOL_SYSTEMMEM, &temp,
                                                                  nullptr)))
        return nullptr;
    if (keep) {
        temp->AddRef();
        piece.transfer = temp;
    }
    return temp;
}

// A drawable texture takes an image through a system-memory surface a band of rows at a
// time, so that no copy of a large image's whole size is made for the transfer.
int TransferDrawablePiece(const TransferJob& job, const Box& box, TexturePiece& piece, D3DFORMAT format, bool keep) {
    Device* d = Graphics().dev.device;
    const int w = box.x2 - box.x1, h = box.y2 - box.y1;
    const int band = std::clamp(kTransferBandPixels / w, 1, h);
    Surface* temp = TransferSurface(piece, w, band, format, keep);
    if (!temp) return AddLogText("画像転送用のシステムメモリテクスチャの作成に失敗しました\n");
    int result = 0;
    for (int top = box.y1; result == 0 && top < box.y2; top += band) {
        const Box rows{box.x1, top, box.x2, std::min(top + band, box.y2)};
        D3DLOCKED_RECT locked;
        result = -1;
        if (SUCCEEDED(temp->LockRect(&locked, nullptr, 0))) {
            result = ConvertInto(job, rows, locked.pBits, locked.Pitch, GetD3DFormatColorData(format));
            temp->UnlockRect();
        }
        const RECT part{0, 0, w, rows.y2 - rows.y1};
        POINT at{box.x1 - piece.x, top - piece.y};
        if (result == 0 && FAILED(d->UpdateSurface(temp, &part, piece.surface, &at)))
            result = AddLogText("描画可能テクスチャへの画像の転送に失敗しました\n");
    }
    temp->Release();
    return result;
}

int TransferTexturePiece(const TransferJob& job, const Box& box, TexturePiece& piece, D3DFORMAT format) {
    Texture* target = piece.staging ? piece.staging : piece.texture;
    const bool padRight = piece.texWidth > piece.width && box.x2 == piece.x + piece.width;
    const bool padBottom = piece.texHeight > piece.height && box.y2 == piece.y + piece.height;
    RECT lock{box.x1 - piece.x, box.y1 - piece.y, box.x2 - piece.x + (padRight ? 1 : 0),
              box.y2 - piece.y + (padBottom ? 1 : 0)};
    D3DLOCKED_RECT locked;
    if (FAILED(target->LockRect(0, &locked, &lock, 0))) return AddLogText("テクスチャのロックに失敗しました\n");
    const ColorFormat* cf = GetD3DFormatColorData(format);
    int result = ConvertInto(job, box, locked.pBits, locked.Pitch, cf);
    NoteTrackedTexelWrite(piece);
    if (result == 0 && cf)
        PadEdges(static_cast<uint8_t*>(locked.pBits), locked.Pitch, cf->bytesPerPixel, box.x2 - box.x1,
                 box.y2 - box.y1, padRight, padBottom);
    target->UnlockRect(0);
    if (result == 0 && cf) result = RebuildMipLevels(target, cf);
    if (result == 0 && piece.staging) Graphics().dev.device->UpdateTexture(piece.staging, piece.texture);
    return result;
}

}  // namespace

int GetImageTextureFormatIndex(const GraphImageSet& set) {
    const int d = set.bitDepth == 16 ? 0 : 1;
    if (set.dxt >= 1 && set.dxt <= 5) return 5 + set.dxt;
    if (!set.drawable) return set.alpha ? 2 + d : set.colorKey ? 4 + d : d;
    return set.alpha || set.colorKey ? 13 : 11 + d;
}

int CreateGraphTextures(GraphImageSet& set) {
    if (!Graphics().dev.device) return -1;
    if (!set.textured) return 0;
    if (SetFormat(set) == D3DFMT_UNKNOWN)
        return AddLogText("指定のフォーマットで作成できるテクスチャフォーマットがありませんでした\n");
    for (TexturePiece& piece : set.pieces)
        if (!piece.texture && CreatePiece(set, piece) != 0) return -1;
    return 0;
}

namespace {

int TransferToTexture(int32_t handle, const BaseImage& image, const BaseImage* alphaImage, const PixelRect& rect,
                      int destX, int destY, int useKey) {
    if (!Graphics().up) return -1;
    GraphRecord* r = GetGraphRecord(handle);
    if (!r || !r->images) return -1;
    if (rect.right <= rect.left || rect.bottom <= rect.top) return -1;
    GraphImageSet& set = *r->images;
    const D3DFORMAT format = set.textured ? SetFormat(set) : D3DFMT_UNKNOWN;
    const bool compressed = IsCompressedFormat(format);
    // Only a compressed texture takes blocks; every other destination gets plain pixels.
    PlainTransferImages plain;
    if (!compressed && plain.Prepare(image, alphaImage) != 0) return -1;
    const BaseImage& source = compressed ? image : plain.Image();
    const BaseImage* alpha = compressed ? alphaImage : plain.Alpha();
    // The destination in image-set coordinates, cut to the graphic and to the image.
    Box dest{r->x + destX, r->y + destY, r->x + destX + rect.right - rect.left, r->y + destY + rect.bottom - rect.top};
    dest = Intersect(dest, {r->x, r->y, r->x + r->width, r->y + r->height});
    TransferJob job{&source, alpha, rect.left - (r->x + destX), rect.top - (r->y + destY), 0, set.transColor};
    dest = Intersect(dest, {-job.sourceX, -job.sourceY, source.width - job.sourceX, source.height - job.sourceY});
    if (dest.Empty()) return 0;
    if (!set.textured) {
        FlushVertexBatch();
        return TransferImageToMemImg(*r, job.image, job.alpha, job.sourceX, job.sourceY, dest.x1, dest.y1,
                                     dest.x2 - dest.x1, dest.y2 - dest.y1);
    }
    if (!Graphics().dev.device) return -1;
    const ColorFormat* cf = GetD3DFormatColorData(format);
    job.key = useKey && set.colorKey && cf && cf->alphaMask ? 1 : 0;
    int result = 0;
    for (TexturePiece& piece : set.pieces) {
        Box box = Intersect(dest, {piece.x, piece.y, piece.x + piece.width, piece.y + piece.height});
        if (box.Empty()) continue;
        FlushVertexBatchUsing(piece.texture, piece.surface);
        // A refused compressed piece is left as it was; the others still get their part.
        if (compressed) result |= TransferCompressedPiece(job, box, piece, format);
        else if ((set.drawable ? TransferDrawablePiece(job, box, piece, format, r->movie >= 0)
                               : TransferTexturePiece(job, box, piece, format)) != 0)
            return -1;
    }
    return result == 0 ? 0 : -1;
}

}  // namespace

// A device that runs short of memory for a lock or a copy of the pixels refuses the
// transfer like any other failure.
int TransferImageToTexture(int32_t handle, const BaseImage& image, const BaseImage* alphaImage, const PixelRect& rect,
                           int destX, int destY, int useKey) {
    return UnlessShortOfMemory("TransferImageToTexture", nullptr, -1, [&] {
        return TransferToTexture(handle, image, alphaImage, rect, destX, destY, useKey);
    });
}

int CreateGraphTextureInfo(GraphRecord& r) {
    GraphImageSet& set = *r.images;
    if (!set.textured) {
        ReleaseMemImg(&r.view);
        MakeMemImgView(&r.view, &set.image, r.x, r.y, r.width, r.height);
        return IsMemImgValid(&r.view) ? 0 : -1;
    }
    r.draws.clear();
    const Box graph{r.x, r.y, r.x + r.width, r.y + r.height};
    for (const TexturePiece& piece : set.pieces) {
        Box box = Intersect(graph, {piece.x, piece.y, piece.x + piece.width, piece.y + piece.height});
        if (box.Empty()) continue;
        PieceDraw d;
        d.x = box.x1 - r.x;
        d.y = box.y1 - r.y;
        d.width = box.x2 - box.x1;
        d.height = box.y2 - box.y1;
        d.left = float(d.x);
        d.top = float(d.y);
        d.right = float(d.x + d.width);
        d.bottom = float(d.y + d.height);
        d.u1 = float(box.x1 - piece.x) / float(piece.texWidth);
        d.v1 = float(box.y1 - piece.y) / float(piece.texHeight);
        d.u2 = float(box.x2 - piece.x) / float(piece.texWidth);
        d.v2 = float(box.y2 - piece.y) / float(piece.texHeight);
        d.piece = &piece;
        r.draws.push_back(d);
    }
    return 0;
}

void ReleaseGraphTextures(GraphImageSet& set) {
    for (TexturePiece& piece : set.pieces) {
        ReleaseObject(piece.surface);
        ReleaseObject(piece.texture);
        ReleaseObject(piece.staging);
        ReleaseObject(piece.transfer);
    }
}

void ReleaseGraphImageSet(GraphImageSet* set) {
    if (!set) return;
    if (set->textured) ReleaseGraphTextures(*set);
    else ReleaseMemImg(&set->image);
    delete set;
}

int ReleaseAllGraphTextures() {
    GraphHandleTable& t = GraphTable();
    for (int32_t i = 0; i < t.highWater; ++i)
        if (t.slots[i] && t.slots[i]->images && t.slots[i]->images->textured) ReleaseGraphTextures(*t.slots[i]->images);
    ReleaseDeviceBufferObjects();
    return 0;
}

}  // namespace orvik
