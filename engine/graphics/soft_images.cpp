#include "engine/graphics/soft_images.h"

#include "engine/platform/handle_table.h"
#include "engine/platform/log.h"

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

int ReleaseSoftImageHandle(int32_t handle) { return Table().Release(handle); }

int DeleteAllSoftImageHandles() {
    Table().ReleaseAll();
    return 0;
}

int TerminateSoftImages() { return DeleteAllSoftImageHandles(); }

int32_t SoftImageCount() { return Table().Count(); }
int32_t SoftImageHighWater() { return Table().HighWater(); }

}  // namespace orvik
