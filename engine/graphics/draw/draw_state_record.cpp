// The per-draw inputs of the set-up as one record: what a draw that changes them for a
// moment (the mask screen's composite) takes and later puts back, and the setter of the
// three values every draw gives.
#include "engine/graphics/device/state_cache.h"
#include "engine/graphics/device/vertex_batch.h"

namespace orvik {

int SetDrawTextureParams(host::Texture* texture, int blendMode, int blendParam) {
    SetDrawTextureCached(texture);
    return SetDrawBlendModeCached(blendMode, blendParam);
}

DrawStateRecord CurrentDrawStateRecord() {
    const DeviceStateCache& c = StateCache();
    return DrawStateRecord{c.drawTexture, c.blendTexture, c.blendBorder, c.blendRange,
                           c.blendMode,   c.blendParam,   c.alphaTestFunc, c.alphaTestRef};
}

int LoadDrawStateRecord(const DrawStateRecord& r) {
    FlushVertexBatch();
    DeviceStateCache& c = StateCache();
    c.drawTexture = r.drawTexture;
    c.blendTexture = r.blendTexture;
    c.blendBorder = r.blendBorder, c.blendRange = r.blendRange;
    c.blendMode = r.blendMode, c.blendParam = r.blendParam;
    c.alphaTestFunc = r.alphaTestFunc, c.alphaTestRef = r.alphaTestRef;
    c.textureChanged = c.setupChanged = 1;
    return SetupDrawDeviceState();
}

int SetupDrawDeviceStateDirty() {
    FlushVertexBatch();
    const int result = SetupDrawDeviceState();
    StateCache().setupChanged = 1;
    return result;
}

}  // namespace orvik
