// Setters of the draw state: draw area, blend mode, brightness, filter and blend mask.
#include <algorithm>

#include "engine/graphics/draw/blend_mask.h"
#include "engine/graphics/draw/draw_functions.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/draw/draw_target.h"
#include "engine/graphics/handles/graph_handles.h"
#include "engine/graphics/device/graphics_system.h"
#include "engine/graphics/device/state_cache.h"
#include "engine/graphics/draw/camera.h"
#include "engine/graphics/device/vertex_batch.h"
#include "engine/platform/window/message_pump.h"
#include "engine/softrender/pipeline/blend_tables.h"
#include "host/d3d9/device/device.h"

namespace orvik {

namespace {

int Clamp255(int v) { return std::clamp(v, 0, 255); }

void RefreshDiffuse() {
    Draw().diffuse = GetDrawDiffuseColor();
    Batch().diffuse = Draw().diffuse;
}

}  // namespace

int GetDrawTarget() { return Draw().drawTarget; }

int SetDrawClipRect(int x1, int y1, int x2, int y2) {
    DrawSettings& ds = Draw();
    DrawArea& a = ds.area;
    a.given[0] = x1, a.given[1] = y1, a.given[2] = x2, a.given[3] = y2;
    int w = 0, h = 0;
    if (QueryGraphSize(ds.drawTarget, &w, &h) != 0) {
        if (ds.drawTarget != -3 && ds.drawTarget != -5) return -1;
        GetScreenSize(&w, &h);
    }
    if (x2 < x1) std::swap(x1, x2);
    if (y2 < y1) std::swap(y1, y2);
    a.x1 = std::clamp(x1, 0, w), a.x2 = std::clamp(x2, 0, w);
    a.y1 = std::clamp(y1, 0, h), a.y2 = std::clamp(y2, 0, h);
    a.fx1 = float(a.x1), a.fy1 = float(a.y1), a.fx2 = float(a.x2), a.fy2 = float(a.y2);
    a.empty = a.x1 == a.x2 || a.y1 == a.y2 ? 1 : 0;
    if (a.empty || !Graphics().direct3DMode) return 0;
    if (!Graphics().dev.device) return -1;
    ApplyDrawAreaToDevice();
    return 0;
}

int SetBlendMode(int mode, int parameter) {
    DrawSettings& ds = Draw();
    if (mode == ds.blendMode && parameter == ds.blendParam) return 0;
    WaitForActiveWindow();
    ds.blendMode = mode;
    ds.blendParam = Clamp255(parameter);
    if (Graphics().direct3DMode) RefreshDiffuse();
    return 0;
}

int SetDrawBrightness(int red, int green, int blue) {
    const uint32_t rgb = uint32_t(Clamp255(red)) << 16 | uint32_t(Clamp255(green)) << 8 | uint32_t(Clamp255(blue));
    SetDrawBrightRGB(rgb);
    return 0;
}

void SetDrawBrightRGB(uint32_t rgb) {
    rgb &= 0xFFFFFF;
    if (rgb == Draw().bright) return;
    Draw().bright = rgb;
    if (Graphics().direct3DMode) RefreshDiffuse();
}

uint32_t GetDrawDiffuseColor() {
    const DrawSettings& ds = Draw();
    const uint32_t alpha = ds.blendMode != 0 ? uint32_t(ds.blendParam) : 255u;
    return alpha << 24 | ds.bright;
}

int SetDrawFilterMode(int mode) {
    if (mode == Draw().filterMode) return 0;
    Draw().filterMode = mode;
    if (Graphics().direct3DMode && Graphics().dev.device) ApplyDrawFilterMode(mode);
    return 0;
}

int GetDrawFilterMode() { return Draw().filterMode; }

int SetBlendMaskGraph(int32_t handle, int border, int range) {
    DrawSettings& ds = Draw();
    if (handle == ds.blendMaskGraph && border == ds.blendMaskBorder && range == ds.blendMaskRange) return 0;
    const GraphRecord* r = handle == -1 ? nullptr : GetGraphRecord(handle);
    if (handle != -1 && !r) return -1;
    WaitForActiveWindow();
    if (Graphics().direct3DMode) {
        if (!Graphics().dev.device) return -1;
        if (r && (!r->images->textured || r->images->pieces.empty())) return -1;
    }
    ds.blendMaskGraph = handle;
    ds.blendMaskBorder = Clamp255(border);
    ds.blendMaskRange = Clamp255(range);
    if (!Graphics().direct3DMode) {
        ds.softBlendMask = MakeSoftBlendMask(r ? r->images : nullptr);
        BuildBlendImageWeightTable(ds.blendMaskBorder, ds.blendMaskRange);
        return 0;
    }
    if (!r) return SetBlendTextureCached(nullptr, -1, -1);
    // The mask is addressed on its first texture, from the image's top-left corner.
    const TexturePiece& piece = r->images->pieces[0];
    ds.blendMaskTexWidth = float(piece.texWidth), ds.blendMaskTexHeight = float(piece.texHeight);
    ds.blendMaskInvWidth = 1.0f / ds.blendMaskTexWidth, ds.blendMaskInvHeight = 1.0f / ds.blendMaskTexHeight;
    return SetBlendTextureCached(piece.texture, ds.blendMaskBorder, ds.blendMaskRange);
}

int IsBlendMaskTooSmall(const GraphRecord& record) {
    const GraphRecord* mask = GetGraphRecord(Draw().blendMaskGraph);
    if (!mask) return -1;
    return mask->width >= record.width && mask->height >= record.height ? 0 : -1;
}

}  // namespace orvik
