// The font layer's graphic calls made with the graphic handles and drawing functions.
#include <numbers>

#include "engine/graphics/font_graph_port.h"
#include "engine/graphics/graph_textures.h"
#include "engine/graphics/pixel_convert.h"
#include "engine/graphics/draw_settings.h"
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

int DrawCell(int32_t graph, int srcX, int srcY, int width, int height, int x, int y, uint32_t rgb, int turned) {
    DrawSettings& d = Draw();
    uint32_t bright = d.bright;
    SetDrawBrightRGB(rgb);
    int result = 0;
    if (!turned) {
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

}  // namespace

FontGraphPort DrawingFontGraphPort() {
    FontGraphPort port;
    port.createCacheGraph = CreateCacheGraph;
    port.deriveGraph = DeriveGraph;
    port.deleteGraph = DeleteGraph;
    port.uploadRect = UploadRect;
    port.drawCell = DrawCell;
    return port;
}

}  // namespace orvik
