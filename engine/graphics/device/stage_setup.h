// Texture-stage set-up records: what each texture stage of the device computes for one
// draw, made from the blend row's stage kind, whether the draw is textured, and the
// blend mask. A record is written to the device as a whole, so states left over from an
// earlier draw never leak into the next.
#pragma once
#include <array>
#include <cstdint>

namespace host {
class Device;
}

namespace orvik {

// One stage: the texture-coordinate set, where the result goes (current or temporary
// register), then alpha argument 1, 2 and operation, colour argument 1, 2 and operation
// (-1 leaves that state as it is).
struct StageEntry {
    int32_t texCoordIndex = 0;
    int32_t result = 0;
    int16_t alpha1 = -1, alpha2 = -1, alphaOp = -1, color1 = -1, color2 = -1, colorOp = -1;
};

constexpr int kMaxRecordStages = 7;

struct StageRecord {
    int32_t count = 0;
    std::array<StageEntry, kMaxRecordStages> stages{};
};

// The blend mask's ramp on the device: weight = scale x (mask alpha - threshold),
// clamped, with the threshold in mask units (-256..255).
struct MaskRamp {
    int32_t scale = 1;
    int32_t threshold = 0;
};

struct StageInputs {
    int32_t textured = 0;
    int32_t kind = 0;       // stage kind of the blend row
    int32_t masked = 0;     // a blend texture weights the draw (textured draws only)
    int32_t multiply = 0;   // the blend multiplies the destination by the source colour
    int32_t tempRegister = 0;  // the device has the temporary register
    MaskRamp ramp;
};

StageRecord BuildStageRecord(const StageInputs& in);
// The number of stages of the record that sample a texture.
int TextureStagesOf(const StageRecord& record);
// Writes every stage of the record and disables the stage after it. The result register
// is written only when the device has the temporary register; a texture-coordinate index
// only when it differs from its shadow, which is kept up to date.
void WriteStageRecord(host::Device* device, const StageRecord& record, bool writeResult,
                      std::array<uint32_t, 8>& texCoordShadow);

}  // namespace orvik
