// The fixed-function vertex stage's set-up from the device's states: the enabled lights in
// camera space, the material and its sources, vertex fog, and the texture coordinate
// states of the stages in use.
#include <algorithm>
#include <cmath>

#include "host/d3d9/device/device.h"

namespace host {
namespace {

Rgb AmbientOf(DWORD argb) {
    return Rgb{float((argb >> 16) & 255) / 255.0f, float((argb >> 8) & 255) / 255.0f, float(argb & 255) / 255.0f};
}

}  // namespace

bool Device::LightsVertices() const {
    return renderStates_[D3DRS_LIGHTING] && !vertexShader_ && !VertexLayout().pretransformed;
}

void Device::BuildVertexStage(const FvfLayout& layout, FixedVertexStage* s) const {
    const DWORD* rs = renderStates_.data();
    s->worldView = MultiplyMatrices(world_, view_);
    NormalMatrix(s->worldView, s->normalMatrix);

    LightingSetup& l = s->lighting;
    l.enabled = LightsVertices();
    if (l.enabled) {
        l.count = 0;
        // The lowest enabled indices, as many as the caps report.
        for (size_t i = 0; i < lights_.size() && l.count < kMaxActiveLights; ++i)
            if (lightEnabled_[i]) l.lights[size_t(l.count++)] = ToCameraSpace(lights_[i], view_);
        l.globalAmbient = AmbientOf(rs[D3DRS_AMBIENT]);
        l.material = material_;
        const bool colorVertex = rs[D3DRS_COLORVERTEX] != 0;
        auto source = [&](D3DRENDERSTATETYPE state) { return colorVertex ? rs[state] : DWORD(D3DMCS_MATERIAL); };
        l.diffuseSource = source(D3DRS_DIFFUSEMATERIALSOURCE);
        l.specularSource = source(D3DRS_SPECULARMATERIALSOURCE);
        l.ambientSource = source(D3DRS_AMBIENTMATERIALSOURCE);
        l.emissiveSource = source(D3DRS_EMISSIVEMATERIALSOURCE);
        l.normalize = rs[D3DRS_NORMALIZENORMALS] != 0;
        l.localViewer = rs[D3DRS_LOCALVIEWER] != 0;
        l.specular = rs[D3DRS_SPECULARENABLE] != 0;
    }

    const DWORD vertexMode = rs[D3DRS_FOGVERTEXMODE];
    s->vertexFog = rs[D3DRS_FOGENABLE] && rs[D3DRS_FOGTABLEMODE] == D3DFOG_NONE && vertexMode >= D3DFOG_EXP &&
                   vertexMode <= D3DFOG_LINEAR;
    s->rangeFog = rs[D3DRS_RANGEFOGENABLE] != 0;
    s->fog = MakeFogCurve(rs, vertexMode);

    TexCoordSetup& t = s->texCoords;
    t.active = false;
    t.projected = 0;
    t.stageCount = 0;
    while (t.stageCount < kMaxStages && stageStates_[t.stageCount][D3DTSS_COLOROP] != D3DTOP_DISABLE) {
        const DWORD* st = stageStates_[t.stageCount];
        TexCoordStage& c = t.stages[t.stageCount];
        c.set = int(std::min<DWORD>(st[D3DTSS_TEXCOORDINDEX] & 0xFFFF, kMaxTexCoordSets - 1));
        c.generate = st[D3DTSS_TEXCOORDINDEX] & 0xFFFF0000u;
        c.flags = st[D3DTSS_TEXTURETRANSFORMFLAGS];
        c.matrix = textureMatrices_[t.stageCount];
        t.active = t.active || ChangesTexCoords(st[D3DTSS_TEXCOORDINDEX], c.flags);
        if (ProjectsTexCoords(c.flags)) t.projected |= 1u << t.stageCount;
        ++t.stageCount;
    }
    t.localViewer = rs[D3DRS_LOCALVIEWER] != 0;
    s->active = !layout.pretransformed && (l.enabled || s->vertexFog || t.active);
}

bool Device::FetchUntransformed(const FvfLayout& layout, const VertexStreams& streams, UINT count,
                                const D3DMATRIX& wvp, std::vector<ClipVertex>* out, uint32_t* projected) const {
    FixedVertexStage ff;
    BuildVertexStage(layout, &ff);
    out->resize(count);
    VertexInput input;
    for (UINT i = 0; i < count; ++i) {
        (*out)[i] = FetchVertex(layout, streams, i, wvp);
        if (!ff.active) continue;
        FetchVertexInput(layout, streams, i, &input);
        RunFixedVertexStage(ff, layout, input, &(*out)[i]);
    }
    const bool stageSets = ff.active && ff.texCoords.active;
    if (projected) *projected = stageSets ? ff.texCoords.projected : 0;
    return stageSets;
}

}  // namespace host
