#include "engine/graphics/models/soft_images.h"

#include "engine/platform/base/handle_table.h"
#include "engine/platform/base/log.h"

namespace orvik {

namespace {

struct SoftImageRecord {
    BaseImage image{};
    ~SoftImageRecord() { FreeBaseImage(&image); }
};

HandleTable<SoftImageRecord>& Table() {
    static HandleTable<SoftImageRecord> table(kSoftImageHandleType, kSoftImageCapacity);
    return table;
}

}  // namespace

int32_t AddSoftImageHandle(BaseImage* image) {
    if (!image || !image->pixels) return -1;
    SoftImageRecord* record = nullptr;
    const int32_t handle = Table().Add(&record);
    if (handle == -1) return AddLogText("ソフトイメージハンドルの数が許容量を越えました\n");
    record->image = *image;
    *image = BaseImage{};
    return handle;
}

BaseImage* GetSoftImage(int32_t handle) {
    SoftImageRecord* r = Table().Find(handle);
    return r ? &r->image : nullptr;
}

int32_t MakeSoftImage(int width, int height) {
    BaseImage image{};
    if (width <= 0 || height <= 0 || NewArgb32BaseImage(width, height, &image) != 0)
        return AddLogFormat("ソフトイメージを作成できませんでした(%d x %d)", width, height);
    ZeroBaseImageRect(&image, 0, 0, width, height);
    const int32_t handle = AddSoftImageHandle(&image);
    FreeBaseImage(&image);  // left with its pixels only when the table refused it
    return handle;
}

int GetSoftImageSize(int32_t handle, int* width, int* height) {
    const BaseImage* image = GetSoftImage(handle);
    if (!image) return -1;
    if (width) *width = image->width;
    if (height) *height = image->height;
    return 0;
}

int DrawPixelSoftImage(int32_t handle, int x, int y, int red, int green, int blue, int alpha) {
    BaseImage* image = GetSoftImage(handle);
    return image ? WriteBaseImagePixel(image, x, y, red & 255, green & 255, blue & 255, alpha & 255) : -1;
}

int GetPixelSoftImage(int32_t handle, int x, int y, int* red, int* green, int* blue, int* alpha) {
    BaseImage* image = GetSoftImage(handle);
    return image ? ReadBaseImagePixelRGBA(image, x, y, red, green, blue, alpha) : -1;
}

int ReleaseSoftImageHandle(int32_t handle) { return Table().Release(handle); }

int DeleteAllSoftImageHandles() {
    Table().ReleaseAll();
    return 0;
}

int TerminateSoftImages() { return DeleteAllSoftImageHandles(); }

int32_t SoftImageCount() { return Table().Count(); }
int32_t SoftImageHighWater() { return Table().HighWater(); }

}  // namespace orvik
