// Mask handles and what is done with them: making, loading and filling masks, and
// putting them on the mask screen.
#include "engine/graphics/mask/mask_handles.h"

#include <algorithm>
#include <cstring>

#include "engine/graphics/images/base_image.h"
#include "engine/graphics/handles/graph_handles.h"
#include "engine/graphics/readers/image_loader.h"
#include "engine/graphics/mask/mask_screen.h"
#include "engine/platform/base/log.h"

namespace orvik {

namespace {

MaskTable g_masks;

// Whether the mask byte is put on the mask screen in the given mode.
bool Puts(uint8_t value, int mode) {
    return mode == kMaskTransWhite ? value == 0 : mode == kMaskTransBlack ? value != 0 : true;
}

}  // namespace

MaskTable& Masks() { return g_masks; }
void ResetMaskTable() { g_masks = MaskTable{}; }

MaskRecord* GetMaskRecord(int32_t handle) {
    if (handle < 0 || (handle & kHandleTypeMask) != kMaskHandleType) return nullptr;
    const int slot = handle & 0xFFFF;
    if (slot >= kMaskCapacity) return nullptr;
    MaskRecord& r = g_masks.records[size_t(slot)];
    return r.used && r.check == (uint32_t(handle) >> 16 & 0x7FF) ? &r : nullptr;
}

int32_t MakeMask(int width, int height) {
    if (width <= 0 || height <= 0 || CheckImageSides(width, height) != 0)
        return AddLogFormat("マスクのサイズが不正です %d x %d in MakeMask", width, height);
    auto free = std::find_if(g_masks.records.begin(), g_masks.records.end(), [](const MaskRecord& r) { return !r.used; });
    if (free == g_masks.records.end()) return AddLogText("マスクハンドルの数が許容量を越えました in MakeMask\n");
    MaskRecord& r = *free;
    r.data.assign(size_t(width) * size_t(height), 0);
    r.width = width;
    r.height = height;
    r.used = 1;
    r.check = g_masks.nextCheck;
    g_masks.nextCheck = (g_masks.nextCheck + 1) % kCheckNumberLimit;
    return kMaskHandleType | int32_t(r.check << 16) | int32_t(free - g_masks.records.begin());
}

int DeleteMaskHandle(int32_t handle) {
    MaskRecord* r = GetMaskRecord(handle);
    if (!r) return -1;
    *r = MaskRecord{};
    return 0;
}

int DeleteAllMaskHandles() {
    for (MaskRecord& r : g_masks.records) r = MaskRecord{};
    return 0;
}

int GetMaskSize(int* width, int* height, int32_t handle) {
    const MaskRecord* r = GetMaskRecord(handle);
    if (!r) return -1;
    if (width) *width = r->width;
    if (height) *height = r->height;
    return 0;
}

int SetDataToMask(int width, int height, const void* data, int32_t handle) {
    MaskRecord* r = GetMaskRecord(handle);
    if (!r || !data || width <= 0 || height <= 0) return -1;
    const auto* in = static_cast<const uint8_t*>(data);
    const int rows = std::min(height, r->height), bytes = std::min(width, r->width);
    for (int y = 0; y < rows; ++y)
        std::memcpy(r->data.data() + size_t(y) * size_t(r->width), in + size_t(y) * size_t(width), size_t(bytes));
    return 0;
}

int32_t LoadMask(const char* path) {
    if (!path) return -1;
    BaseImage image{};
    if (LoadImageToBaseImageEx(path, nullptr, 0, 0, &image, 0) != 0)
        return AddLogFormat("マスク用の画像ファイル %s が読み込めませんでした", path);
    const int32_t handle = MakeMask(image.width, image.height);
    if (MaskRecord* r = GetMaskRecord(handle))
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x) {
                int red = 0, green, blue, alpha;
                ReadBaseImagePixelRGBA(&image, x, y, &red, &green, &blue, &alpha);
                r->data[size_t(y) * size_t(image.width) + size_t(x)] = uint8_t(red);
            }
    FreeBaseImage(&image);
    return handle;
}

int DrawMask(int x, int y, int32_t handle, int transMode) {
    MaskScreen& m = MaskState();
    const MaskRecord* r = GetMaskRecord(handle);
    if (!r || m.data.empty()) return -1;
    const int x1 = std::max(x, 0), y1 = std::max(y, 0);
    // The far edges in 64 bits: a mask placed near the int limit must not wrap round.
    const int x2 = int(std::min<int64_t>(int64_t{x} + r->width, m.width));
    const int y2 = int(std::min<int64_t>(int64_t{y} + r->height, m.height));
    for (int sy = y1; sy < y2; ++sy) {
        const uint8_t* in = r->data.data() + size_t(sy - y) * size_t(r->width);
        uint8_t* out = m.data.data() + size_t(sy) * size_t(m.pitch);
        for (int sx = x1; sx < x2; ++sx)
            if (Puts(in[sx - x], transMode)) out[sx] = in[sx - x];
    }
    MaskDataChanged();
    return 0;
}

}  // namespace orvik
