// Building the image set of a fresh graphic, and filling a graphic with one colour.
#include <algorithm>

#include "engine/graphics/images/base_image.h"
#include "engine/graphics/images/color_format.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/handles/graph_handles.h"
#include "engine/graphics/handles/graph_load.h"
#include "engine/graphics/handles/graph_textures.h"
#include "engine/graphics/device/graphics_system.h"
#include "engine/graphics/device/vertex_batch.h"
#include "engine/platform/base/log.h"
#include "engine/platform/base/short_of_memory.h"
#include "engine/softrender/pipeline/memimg.h"
#include "engine/softrender/pipeline/memimg_write.h"
#include "host/d3d9/device/device.h"

namespace orvik {

namespace {

void SetDeviceFlags(GraphImageSet& s, int mipLevels, int alpha, int dxt) {
    const GraphCreateSettings& c = CreateSettings();
    s.textured = 1;
    if (c.drawable) {
        s.drawable = 1;
        s.systemCopy = 1;
    } else {
        s.alpha = uint8_t(alpha ? 1 : 0);
        s.systemCopy = uint8_t(c.systemCopy ? 1 : 0);
        s.colorKey = uint8_t(Draw().colorKeyOn && !alpha ? 1 : 0);
        s.dxt = uint8_t(dxt);
        s.mipLevels = uint8_t(mipLevels);
    }
    int depth = Draw().creationBitDepth;
    s.bitDepth = uint8_t(depth ? depth : (s.alpha ? 32 : GetScreenColorBitDepth()));
}

// Pieces laid in rows: column widths from one side's rule, row heights from the other's.
// A drawable graphic is always one texture, since rendering goes into its first piece.
void LayPieces(GraphImageSet& s) {
    int widths[kMaxTexturePieces], heights[kMaxTexturePieces];
    const int single = s.drawable || GraphTextureSettings().wholeTexture ? 1 : 0;
    const int columns = RoundTextureSize(s.width, single, widths);
    const int rows = RoundTextureSize(s.height, single, heights);
    for (int row = 0, y = 0; row < rows && y < s.height; y += heights[row++])
        for (int column = 0, x = 0; column < columns && x < s.width; x += widths[column++]) {
            TexturePiece p;
            p.x = x;
            p.y = y;
            p.width = std::min(widths[column], s.width - x);
            p.height = std::min(heights[row], s.height - y);
            p.texWidth = widths[column];
            p.texHeight = heights[row];
            s.pieces.push_back(p);
        }
}

int CreateSoftImage(GraphImageSet& s, int palette, int alpha) {
    s.software = s.drawable = 1;
    s.palette = uint8_t(palette);
    s.alpha = uint8_t(alpha ? 1 : 0);
    int depth = Draw().creationBitDepth;
    s.bitDepth = uint8_t(depth ? depth : GetScreenColorBitDepth());
    const int type = s.bitDepth == 16 ? kMemImgRgb565 : kMemImgXrgb32;
    const ColorFormat* f = GetMemImgColorFormat(type, s.alpha, 0);
    const uint32_t rgb = CreateSettings().transColor;
    uint32_t key = palette ? 65535u
                   : f ? GetColorInBaseImageFormat(*f, int(rgb >> 16 & 255), int(rgb >> 8 & 255), int(rgb & 255), 0)
                       : 0;
    s.formatIndex = uint32_t((type == kMemImgRgb565 ? 15 : 17) + s.alpha);
    if (SetupMemImg(&s.image, s.width, s.height, -1, key, type, palette, s.alpha, 0, nullptr) < 0)
        return AddLogText("メモリイメージの作成に失敗しました\n");
    // A fresh image starts black, as a fresh texture does, not with stale memory.
    PaintMemImgRect(&s.image, nullptr, 0);
    return 0;
}

int Fail(int32_t handle) {
    DeleteGraphHandle(handle);
    return -1;
}

// Sizes the set (its flags and texture pieces on the device) for the current creation
// settings: null when a graphic of its size can be made, else why not (a log format
// taking the width and height).
const char* LaySet(GraphImageSet& s, int mipLevels, int alpha, int dxt) {
    if (s.width <= 0 || s.height <= 0 || CheckImageSides(s.width, s.height) != 0)
        return "グラフィックのサイズが不正です %d x %d";
    if (!Graphics().direct3DMode) return nullptr;
    SetDeviceFlags(s, mipLevels < 0 ? 1 : mipLevels, alpha, dxt);
    LayPieces(s);
    // A side needing more pieces than a graphic holds would lose its far part.
    const TexturePiece& last = s.pieces.back();
    if (last.x + last.width != s.width || last.y + last.height != s.height)
        return "グラフィックのサイズがテクスチャの枚数の上限を越えています %d x %d";
    // Rendering goes into one texture: a drawable graphic that needs more is refused.
    if (s.drawable && s.pieces.size() != 1)
        return "描画可能グラフィックのサイズがテクスチャの最大サイズを越えています %d x %d";
    return nullptr;
}

// The image set of a fresh graphic and what it shows; -1 (logged) when it cannot be made.
int MakeGraphImages(GraphRecord* r, int width, int height, int mipLevels, int alpha, int palette, int dxt) {
    auto* s = new (std::nothrow) GraphImageSet{};
    if (!s) return AddLogText("グラフィックのオリジナル画像データ保存用メモリの確保に失敗しました\n");
    r->images = s;
    s->width = width;
    s->height = height;
    s->transColor = CreateSettings().transColor;
    if (const char* refusal = LaySet(*s, mipLevels, alpha, dxt)) return AddLogFormat(refusal, width, height);
    if (Graphics().direct3DMode) {
        s->formatIndex = uint32_t(GetImageTextureFormatIndex(*s));
        if (CreateGraphTextures(*s) != 0) return -1;
    } else if (CreateSoftImage(*s, palette, alpha) != 0) {
        return -1;
    }
    r->width = width;
    r->height = height;
    r->x = r->y = 0;
    return CreateGraphTextureInfo(*r);
}

}  // namespace

int CheckGraphImageSize(int width, int height, int mipLevels, int alpha, int dxt) {
    return UnlessShortOfMemory("CheckGraphImageSize", nullptr, -1, [&] {
        GraphImageSet s{};
        s.width = width;
        s.height = height;
        return LaySet(s, mipLevels, alpha, dxt) ? -1 : 0;
    });
}

// A graphic whose images cannot be made, memory running short included, is deleted again.
int CreateGraphImages(int32_t handle, int width, int height, int mipLevels, int alpha, int palette, int dxt) {
    GraphRecord* r = GetGraphRecord(handle);
    if (!r) return -1;
    const int made = UnlessShortOfMemory("CreateGraphImages", nullptr, -1, [&] {
        return MakeGraphImages(r, width, height, mipLevels, alpha, palette, dxt);
    });
    return made == 0 ? 0 : Fail(handle);
}

int FillGraphColor(int32_t handle, int red, int green, int blue, int alpha) {
    GraphRecord* r = GetGraphRecord(handle);
    if (!r || !r->images) return -1;
    auto clamp = [](int v) { return uint32_t(std::clamp(v, 0, 255)); };
    const uint32_t argb = clamp(alpha) << 24 | clamp(red) << 16 | clamp(green) << 8 | clamp(blue);
    if (!r->images->textured) {
        const ColorFormat* f = r->view.store ? r->view.store->colorFormat : nullptr;
        if (!f) return -1;
        PaintMemImgRect(&r->view, nullptr,
                        GetColorInBaseImageFormat(*f, int(clamp(red)), int(clamp(green)), int(clamp(blue)), 255));
        return 0;
    }
    if (!r->images->drawable) return 0;
    host::Device* d = Graphics().dev.device;
    if (!d) return -1;
    // Draws still waiting in the vertex batch come before the fill, as they were made.
    FlushVertexBatch();
    for (const PieceDraw& p : r->draws) {
        const int32_t left = r->x + p.x - p.piece->x, top = r->y + p.y - p.piece->y;
        host::RECT rect{left, top, left + p.width, top + p.height};
        d->ColorFill(p.piece->surface, &rect, argb);
    }
    return 0;
}

}  // namespace orvik
