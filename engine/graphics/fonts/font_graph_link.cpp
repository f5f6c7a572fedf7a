// The font layer's graphic calls made with the graphic handles and drawing functions, and
// the software renderer's draw of the text work image.
#include <algorithm>
#include <numbers>

#include "engine/graphics/fonts/font_graph_port.h"
#include "engine/graphics/handles/graph_textures.h"
#include "engine/graphics/images/pixel_convert.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/softrender/draws/draw_at.h"
#include <orvik/graphics.h>

namespace orvik {

namespace {

int32_t CreateCacheGraph(int width, int height, int alpha, int* lostFlag) {
    // The cache is always a 16-bit texture, with alpha or a colour key; the program's own
    // creation settings are put back afterwards.
    int savedAlpha = GetGraphAlphaChannelFlag(), savedKey = GetGraphColorKeyFlag(), savedDepth = GetCreateGraphBitDepth();
    SetGraphAlphaChannelFlag(alpha);
    SetGraphColorKeyFlag(alpha ? 0 : 1);
    SetCreateGraphBitDepth(16);
    int32_t graph = CreateEmptyGraph(width, height);
    SetGraphAlphaChannelFlag(savedAlpha);
    SetGraphColorKeyFlag(savedKey);
    SetCreateGraphBitDepth(savedDepth);
    if (graph < 0) return -1;
    SetGraphDeletedFlag(graph, lostFlag);
    FillGraphColor(graph, 255, 255, 255, 0);
    return graph;
}

int DeleteGraph(int32_t handle) { return DeleteGraphHandle(handle); }

int UploadRect(int32_t graph, const BaseImage* image, int x, int y, int width, int height) {
    PixelRect rect{x, y, x + width, y + height};
    return TransferImageToTexture(graph, *image, nullptr, rect, x, y, 0);
}

int DrawCell(int32_t graph, int srcX, int srcY, int width, int height, int x, int y, uint32_t rgb, int turned,
             double scaleX, double scaleY) {
    DrawSettings& d = Draw();
    uint32_t bright = d.bright;
    SetDrawBrightRGB(rgb);
    int result = 0;
    if (!turned && (scaleX != 1.0 || scaleY != 1.0)) {
        result = DrawGraphRectStretchedF(float(x), float(y), float(x + width * scaleX), float(y + height * scaleY),
                                         srcX, srcY, width, height, graph, 1);
    } else if (!turned) {
        result = DrawGraphRegion(x, y, srcX, srcY, width, height, graph, 1, 0);
    } else {
        int32_t cell = DeriveGraph(srcX, srcY, width, height, graph);
        result = cell < 0 ? -1
                          : DrawGraphRotatedCore(float(x) + float(height) / 2, float(y) + float(width) / 2, 1.0,
                                                 std::numbers::pi / 2, cell, 1, 0);
        if (cell >= 0) DeleteGraphHandle(cell);
    }
    SetDrawBrightRGB(bright);
    return result;
}

// The text's box of the screen-sized work image, at full brightness, keyed by its
// transparent value (or by its alpha), under the current blend mode.
int DrawWorkImage(MEMIMG* image, const int32_t* box) {
    DrawSettings& d = Draw();
    if (!d.softTarget || !image || !box) return -1;
    const DrawArea saved = d.area;
    const uint32_t bright = d.bright;
    d.area.x1 = std::max(saved.x1, box[0]);
    d.area.y1 = std::max(saved.y1, box[1]);
    d.area.x2 = std::min(saved.x2, box[2]);
    d.area.y2 = std::min(saved.y2, box[3]);
    d.bright = 0xFFFFFF;
    DrawMemImgAt(d.softTarget, image, 0, 0, 1, nullptr);
    d.area = saved;
    d.bright = bright;
    return 0;
}

}  // namespace

FontGraphPort DrawingFontGraphPort() {
    FontGraphPort port;
    port.createCacheGraph = CreateCacheGraph;
    port.deriveGraph = DeriveGraph;
    port.deleteGraph = DeleteGraph;
    port.uploadRect = UploadRect;
    port.drawCell = DrawCell;
    port.drawMemImg = DrawWorkImage;
    return port;
}

}  // namespace orvik
