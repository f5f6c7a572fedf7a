// The fixed-function vertex stage's set-up from the device's states: the enabled lights in
// camera space, the material and its sources, vertex fog, and the texture coordinate
// states of the stages in use.
#include <algorithm>
#include <cmath>

#include "host/d3d9/device/device.h"
#include "host/d3d9/vertex/vertex_element.h"

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
    const VertexBlend blend(renderStates_.data(), layout, worlds_.data(), view_);
    if (blend.Active()) {
        // Blended vertices reach the stage in camera space.
        ff.worldView = IdentityMatrix();
        NormalMatrix(ff.worldView, ff.normalMatrix);
    }
    for (UINT i = 0; i < count; ++i) {
        ClipVertex& v = (*out)[i] = FetchVertex(layout, streams, i, wvp);
        if (!ff.active && !blend.Active()) continue;
        FetchVertexInput(layout, streams, i, &input);
        if (blend.Active()) {
            blend.Eye(layout, streams, i, input, input.position, input.normal);
            const float* e = input.position;
            const D3DMATRIX& p = projection_;
            for (int c = 0; c < 4; ++c)
                v.pos[c] = e[0] * p.m[0][c] + e[1] * p.m[1][c] + e[2] * p.m[2][c] + e[3] * p.m[3][c];
        }
        if (ff.active) RunFixedVertexStage(ff, layout, input, &v);
    }
    const bool stageSets = ff.active && ff.texCoords.active;
    if (projected) *projected = stageSets ? ff.texCoords.projected : 0;
    return stageSets;
}

PointSizing Device::PointSizingNow() const {
    return MakePointSizing(renderStates_.data(), float(viewport_.Height));
}

std::vector<float> Device::FixedPointSizes(const FvfLayout& layout, const VertexStreams& streams, UINT count) const {
    const PointSizing p = PointSizingNow();
    // Only untransformed vertices are scaled, by their distance from the eye.
    const bool scaled = p.scale && !layout.pretransformed;
    const D3DMATRIX worldView = MultiplyMatrices(world_, view_);
    const VertexBlend blend(renderStates_.data(), layout, worlds_.data(), view_);
    std::vector<float> sizes(count);
    VertexInput in;
    for (UINT i = 0; i < count; ++i) {
        const ElementPlace& e = layout.pointSize;
        const float size = e.Present() ? ReadDeclElement(e.type, streams.Vertex(e.stream, i) + e.offset)[0] : p.size;
        float distance = 0;
        if (scaled) {
            FetchVertexInput(layout, streams, i, &in);
            const float* o = in.position;
            float eye[4], normal[3];
            if (blend.Active()) blend.Eye(layout, streams, i, in, eye, normal);
            else
                for (int c = 0; c < 3; ++c)
                    eye[c] = o[0] * worldView.m[0][c] + o[1] * worldView.m[1][c] + o[2] * worldView.m[2][c] +
                             o[3] * worldView.m[3][c];
            distance = std::sqrt(eye[0] * eye[0] + eye[1] * eye[1] + eye[2] * eye[2]);
        }
        sizes[i] = ScreenPointSize(p, size, distance, scaled);
    }
    return sizes;
}

}  // namespace host
