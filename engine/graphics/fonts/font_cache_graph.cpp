// The cache graphic of a font drawn through the device: made empty (white, fully
// transparent) when the font is made and again after the device lost it.
#include "engine/graphics/fonts/font_graph_port.h"
#include "engine/graphics/fonts/fonts_internal.h"

namespace orvik {

namespace {
FontGraphPort g_port = DrawingFontGraphPort();
}

FontGraphPort& FontPort() { return g_port; }
void ResetFontPort() { g_port = DrawingFontGraphPort(); }

int CreateFontCacheGraph(int32_t handle) {
    FontRecord* f = FindFont(handle);
    if (!f) return -1;
    if (f->cacheLost != 1) return 0;
    f->cacheLost = 0;
    if (!g_port.createCacheGraph) return -1;
    int edged = f->type & kFontEdge;
    f->cacheGraph = g_port.createCacheGraph(f->cacheWidth * (edged ? 2 : 1), f->cacheHeight,
                                            f->type & kFontAntialias ? 1 : 0, &f->cacheLost);
    if (f->cacheGraph < 0) return -1;
    f->edgeGraph = -1;
    if (edged && g_port.deriveGraph) f->edgeGraph = g_port.deriveGraph(f->cacheWidth, 0, f->cacheWidth, f->cacheHeight, f->cacheGraph);
    ResetGlyphCache(handle);
    return 0;
}

}  // namespace orvik
