#include "engine/graphics/device/stage_setup.h"

#include "host/d3d9/device/device.h"

namespace orvik {

using namespace host;

namespace {

constexpr int16_t A(DWORD arg) { return int16_t(arg); }

StageEntry Entry(int16_t a1, int16_t a2, int16_t aop, int16_t c1, int16_t c2, int16_t cop) {
    StageEntry e;
    e.alpha1 = a1, e.alpha2 = a2, e.alphaOp = aop, e.color1 = c1, e.color2 = c2, e.colorOp = cop;
    return e;
}

// Untextured draws: the vertex colour, changed by the stage kind (kind 3 brightens it by
// the built-in graphic bound in place of a texture).
StageEntry FlatStage(int kind) {
    StageEntry e = Entry(-1, A(D3DTA_DIFFUSE), D3DTOP_SELECTARG2, -1, A(D3DTA_DIFFUSE), D3DTOP_SELECTARG2);
    if (kind == 1) e.color1 = A(D3DTA_DIFFUSE), e.color2 = A(D3DTA_TFACTOR), e.colorOp = D3DTOP_BLENDDIFFUSEALPHA;
    if (kind == 2) e.color1 = A(D3DTA_DIFFUSE | D3DTA_COMPLEMENT), e.colorOp = D3DTOP_SELECTARG1;
    if (kind == 3) e.color1 = A(D3DTA_DIFFUSE), e.color2 = A(D3DTA_TEXTURE), e.colorOp = D3DTOP_MODULATE4X;
    return e;
}

// Textured draws: the texture tinted by the vertex colour (brightness) with the vertex
// alpha (blend parameter); kind 2 inverts the texture, kind 3 brightens four times.
StageEntry TextureStage(int kind) {
    StageEntry e = Entry(A(D3DTA_TEXTURE), A(D3DTA_DIFFUSE), D3DTOP_MODULATE, A(D3DTA_TEXTURE), A(D3DTA_DIFFUSE),
                         D3DTOP_MODULATE);
    if (kind == 2) e.color1 = A(D3DTA_TEXTURE | D3DTA_COMPLEMENT);
    if (kind == 3) e.colorOp = D3DTOP_MODULATE4X;
    return e;
}

StageEntry PassColour(StageEntry e) {
    e.color1 = A(D3DTA_CURRENT), e.color2 = -1, e.colorOp = D3DTOP_SELECTARG1;
    return e;
}

// The mask weight w scales the alpha; where the blend multiplies the destination by the
// colour, the colour too (a weight of 0 then darkens to black, as in software).
StageEntry ApplyWeight(DWORD weight, bool multiply) {
    StageEntry e = Entry(A(D3DTA_CURRENT), A(weight), D3DTOP_MODULATE, A(D3DTA_CURRENT), -1, D3DTOP_SELECTARG1);
    if (multiply) e.color2 = A(weight | D3DTA_ALPHAREPLICATE), e.colorOp = D3DTOP_MODULATE;
    return e;
}

void Push(StageRecord& r, StageEntry e, int texCoord, DWORD result) {
    e.texCoordIndex = texCoord;
    e.result = int32_t(result);
    r.stages[size_t(r.count++)] = e;
}

// With the temporary register: the mask's alpha minus the threshold, scaled by the
// ramp, into the temporary register; then the draw's alpha times it. Specular is white
// in the two-texture vertices, so it serves as the 1.0 the scaling multiplies with.
void PushMaskStages(StageRecord& r, const StageInputs& in) {
    if (!in.tempRegister) {
        // Without it the mask's alpha weights the draw directly, without the ramp.
        Push(r, ApplyWeight(D3DTA_TEXTURE, in.multiply), 1, D3DTA_CURRENT);
        return;
    }
    const int16_t op = in.ramp.threshold >= 0 ? D3DTOP_SUBTRACT : D3DTOP_ADD;
    Push(r, PassColour(Entry(A(D3DTA_TEXTURE), A(D3DTA_TFACTOR), op, -1, -1, -1)), 1, D3DTA_TEMP);
    const int16_t scale = in.ramp.scale >= 4 ? D3DTOP_MODULATE4X : in.ramp.scale == 2 ? D3DTOP_MODULATE2X : D3DTOP_MODULATE;
    Push(r, PassColour(Entry(A(D3DTA_TEMP), A(D3DTA_SPECULAR), scale, -1, -1, -1)), 1, D3DTA_TEMP);
    Push(r, ApplyWeight(D3DTA_TEMP, in.multiply), 1, D3DTA_CURRENT);
}

}  // namespace

StageRecord BuildStageRecord(const StageInputs& in) {
    StageRecord r;
    if (!in.textured) {
        Push(r, FlatStage(in.kind), 0, D3DTA_CURRENT);
        return r;
    }
    Push(r, TextureStage(in.kind), 0, D3DTA_CURRENT);
    if (in.masked) PushMaskStages(r, in);
    // Kind 1 mixes the colour toward white by the alpha, so that multiplying the
    // destination by it keeps the destination where the alpha is low.
    if (in.kind == 1)
        Push(r, Entry(A(D3DTA_CURRENT), -1, D3DTOP_SELECTARG1, A(D3DTA_CURRENT), A(D3DTA_TFACTOR),
                      D3DTOP_BLENDCURRENTALPHA),
             0, D3DTA_CURRENT);
    return r;
}

int TextureStagesOf(const StageRecord& record) {
    int stages = 0;
    for (int s = 0; s < record.count; ++s) {
        const StageEntry& e = record.stages[size_t(s)];
        for (int16_t arg : {e.alpha1, e.alpha2, e.color1, e.color2})
            if (arg >= 0 && (DWORD(arg) & D3DTA_SELECTMASK) == D3DTA_TEXTURE) {
                stages = s + 1;
                break;
            }
    }
    return stages;
}

void WriteStageRecord(Device* d, const StageRecord& record, bool writeResult, std::array<uint32_t, 8>& texCoordShadow) {
    for (int s = 0; s < record.count; ++s) {
        const StageEntry& e = record.stages[size_t(s)];
        const DWORD stage = DWORD(s);
        const std::pair<D3DTEXTURESTAGESTATETYPE, int32_t> states[] = {
            {D3DTSS_ALPHAARG1, e.alpha1}, {D3DTSS_ALPHAARG2, e.alpha2}, {D3DTSS_ALPHAOP, e.alphaOp},
            {D3DTSS_COLORARG1, e.color1}, {D3DTSS_COLORARG2, e.color2}, {D3DTSS_COLOROP, e.colorOp}};
        for (auto [type, value] : states)
            if (value >= 0) d->SetTextureStageState(stage, type, DWORD(value));
        if (texCoordShadow[stage] != uint32_t(e.texCoordIndex)) {
            d->SetTextureStageState(stage, D3DTSS_TEXCOORDINDEX, DWORD(e.texCoordIndex));
            texCoordShadow[stage] = uint32_t(e.texCoordIndex);
        }
        if (writeResult) d->SetTextureStageState(stage, D3DTSS_RESULTARG, DWORD(e.result));
    }
    if (record.count < 8) {
        d->SetTextureStageState(DWORD(record.count), D3DTSS_COLOROP, D3DTOP_DISABLE);
        d->SetTextureStageState(DWORD(record.count), D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    }
}

}  // namespace orvik
