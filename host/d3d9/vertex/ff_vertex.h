// The fixed-function vertex stage beyond the transform: lighting, vertex fog and texture
// coordinate generation and transforms, for untransformed vertices. Set up from the
// device's states once per draw, then run on every vertex after it is fetched.
#pragma once
#include <cstdint>

#include "host/d3d9/vertex/ff_fog.h"
#include "host/d3d9/vertex/ff_lighting.h"
#include "host/d3d9/vertex/texcoord_gen.h"
#include "host/d3d9/vertex/vertex_pipeline.h"

namespace host {

struct FixedVertexStage {
    bool active = false;  // any of the three is on: the stage has work to do
    D3DMATRIX worldView;
    float normalMatrix[3][3] = {};  // the inverse transpose of world x view's 3 x 3 part
    LightingSetup lighting;
    bool vertexFog = false, rangeFog = false;
    FogCurve fog;
    TexCoordSetup texCoords;
};

// The matrix that carries normals as `m` carries positions: the inverse transpose of its
// 3 x 3 part (the transpose of its cofactors over its determinant; the cofactors alone for
// a singular one, which still point the normals the right way).
void NormalMatrix(const D3DMATRIX& m, float out[3][3]);

// Colours, fog factor (in the specular alpha) and texture coordinates of vertex `v`,
// already fetched and transformed, from its parts `input`.
void RunFixedVertexStage(const FixedVertexStage& stage, const FvfLayout& layout, const VertexInput& input,
                         ClipVertex* v);

}  // namespace host
