// The mask screen's state, its buffers on both paths, and where drawing is routed while
// it is on.
#include "engine/graphics/mask/mask_screen.h"

#include <algorithm>
#include <cstring>

#include <orvik/platform.h>

#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/handles/graph_handles.h"
#include "engine/graphics/device/graphics_system.h"
#include "engine/graphics/device/vertex_batch.h"
#include "engine/softrender/pipeline/memimg_write.h"

namespace orvik {

namespace {

MaskScreen g_mask;

// The mask image holds the pixels of the target it stands in for, so what is drawn in it
// goes back unconverted; a target of another pixel kind gets an image of its kind.
int MakeSoftBuffer(int32_t colorType) {
    MaskScreen& m = g_mask;
    if (IsMemImgValid(&m.image) && (colorType < 0 || m.image.store->colorType == colorType)) return 0;
    ReleaseMemImg(&m.image);
    if (MakeMemImg(&m.image, m.width, m.height, colorType) < 0) ExitWithError("マスク用 MEMIMG の作成に失敗しました");
    return 0;
}

int32_t TargetColorType() {
    const MEMIMG* target = DrawTargetMemImg();
    return IsMemImgValid(target) ? target->store->colorType : -1;
}

}  // namespace

MaskScreen& MaskState() { return g_mask; }

void ResetMaskScreen() {
    ReleaseMaskScreen();
    g_mask = MaskScreen{};
}

void MaskDataChanged() {
    g_mask.maskTextureStale = 1;
    g_mask.bitsStale = 1;
}

bool MaskScreenActive() { return Draw().maskActive != 0; }

MEMIMG* DrawTargetMemImg() {
    const int32_t target = Draw().drawTarget;
    GraphRecord* r = target >= 0 ? GetGraphRecord(target) : nullptr;
    return r ? &r->view : Graphics().softScreen;
}

int SetupMaskScreenBuffers(int make) {
    if (!make) return 0;
    MaskScreen& m = g_mask;
    if (m.data.empty()) {
        GetScreenSize(&m.width, &m.height);
        m.pitch = (m.width + 3) / 4 * 4;
        m.data.assign(size_t(m.pitch) * size_t(m.height), 0);
        MaskDataChanged();
    }
    const int result = Graphics().direct3DMode ? CreateMaskDeviceBuffers() : MakeSoftBuffer(TargetColorType());
    if (result == 0) Draw().maskMade = 1;
    return result;
}

int SetMaskScreenFlag(int flag) {
    if (g_mask.data.empty()) return -1;
    DrawSettings& d = Draw();
    d.maskWanted = flag ? 1 : 0;
    d.maskActive = d.maskWanted && d.maskMade ? 1 : 0;
    if (Graphics().direct3DMode) return RouteDeviceDrawing(d.maskActive != 0);
    if (d.maskActive) MakeSoftBuffer(TargetColorType());
    d.softTarget = d.maskActive ? &g_mask.image : DrawTargetMemImg();
    return 0;
}

int GetMaskScreenFlag() { return Draw().maskWanted; }

int RenewMaskScreen() { return MaskScreenActive() ? SetMaskScreenFlag(1) : 0; }

int ReleaseMaskScreen() {
    MaskScreen& m = g_mask;
    std::vector<uint8_t>().swap(m.data);
    std::vector<uint8_t>().swap(m.bits);
    MaskDataChanged();
    ReleaseMemImg(&m.image);
    ReleaseMaskDeviceBuffers();
    return 0;
}

int RecreateMaskScreen() {
    if (!Draw().maskMade) return 0;
    // The data survives a device re-creation; only the device buffers are made again.
    SetupMaskScreenBuffers(1);
    return Draw().maskWanted ? SetMaskScreenFlag(1) : 0;
}

int TerminateMaskSystem() {
    DrawSettings& d = Draw();
    if (d.maskWanted && !g_mask.data.empty()) SetMaskScreenFlag(0);
    ReleaseMaskScreen();
    d.maskMade = d.maskActive = 0;
    g_mask.nesting = 0;
    return 0;
}

int CreateMaskScreen() {
    if (!Graphics().up) return -1;
    SetupMaskScreenBuffers(1);
    return SetMaskScreenFlag(1);
}

int DeleteMaskScreen() {
    if (!Graphics().up) return -1;
    return TerminateMaskSystem();
}

int FillMaskScreen(int flag) {
    MaskScreen& m = g_mask;
    if (m.data.empty()) return -1;
    std::fill(m.data.begin(), m.data.end(), uint8_t(flag ? 0xFF : 0));
    MaskDataChanged();
    return 0;
}

int SetMaskReverseEffectFlag(int reverse) {
    // Queued composites go back under the flag they were drawn with.
    if (Graphics().direct3DMode && (reverse ? 1 : 0) != g_mask.reverse) FlushVertexBatch();
    g_mask.reverse = reverse ? 1 : 0;
    return 0;
}

}  // namespace orvik
