#include "host/d3d9/vertex/texcoord_gen.h"

#include <cmath>
#include <cstring>

#include "host/d3d9/vertex/vertex_pipeline.h"

namespace host {
namespace {

float Dot3(const float a[3], const float b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

void Normalize3(float v[3]) {
    const float length = std::sqrt(Dot3(v, v));
    if (length > 0)
        for (int i = 0; i < 3; ++i) v[i] /= length;
}

// The vertex's own set as four elements: the element after the last given is 1, so a
// matrix's next row acts as the translation (the third row for 2D coordinates).
void ReadSet(const FvfLayout& l, const VertexInput& in, int set, float v[4]) {
    v[0] = v[1] = v[2] = v[3] = 0;
    const int dims = l.texDims[set];
    if (dims == 0) {
        v[2] = 1;
        return;
    }
    std::memcpy(v, in.sets[set], size_t(dims) * 4);
    if (dims < 4) v[dims] = 1;
}

// The reflection of the direction to the eye about the normal.
void Reflection(const float position[3], const float normal[3], bool localViewer, float r[3]) {
    float eye[3] = {0, 0, -1};
    if (localViewer) {
        eye[0] = -position[0], eye[1] = -position[1], eye[2] = -position[2];
        Normalize3(eye);
    }
    const float d = 2 * Dot3(normal, eye);
    for (int i = 0; i < 3; ++i) r[i] = d * normal[i] - eye[i];
}

void Source(const TexCoordStage& s, const TexCoordSetup& setup, const FvfLayout& l, const VertexInput& in,
            const float position[3], const float* normal, float v[4]) {
    const float zero[3] = {0, 0, 0};
    const float* n = normal ? normal : zero;
    float r[3];
    switch (s.generate) {
        case D3DTSS_TCI_CAMERASPACENORMAL: v[0] = n[0], v[1] = n[1], v[2] = n[2], v[3] = 1; return;
        case D3DTSS_TCI_CAMERASPACEPOSITION:
            v[0] = position[0], v[1] = position[1], v[2] = position[2], v[3] = 1;
            return;
        case D3DTSS_TCI_CAMERASPACEREFLECTIONVECTOR:
            Reflection(position, n, setup.localViewer, r);
            v[0] = r[0], v[1] = r[1], v[2] = r[2], v[3] = 1;
            return;
        case D3DTSS_TCI_SPHEREMAP: {
            // The reflection straight back at the viewer (0, 0, -1) is the map's centre.
            Reflection(position, n, setup.localViewer, r);
            const float m = 2 * std::sqrt(r[0] * r[0] + r[1] * r[1] + (1 - r[2]) * (1 - r[2]));
            v[0] = m > 0 ? r[0] / m + 0.5f : 0.5f;
            v[1] = m > 0 ? -r[1] / m + 0.5f : 0.5f;
            v[2] = 1, v[3] = 0;
            return;
        }
        default: ReadSet(l, in, s.set, v);
    }
}

}  // namespace

bool ChangesTexCoords(DWORD texCoordIndex, DWORD transformFlags) {
    return (texCoordIndex & 0xFFFF0000u) != D3DTSS_TCI_PASSTHRU || (transformFlags & 0xFF) != D3DTTFF_DISABLE;
}

bool ProjectsTexCoords(DWORD flags) {
    const DWORD count = flags & 0xFF;
    return (flags & D3DTTFF_PROJECTED) && count >= 2 && count <= 4;
}

void MakeTexCoords(const TexCoordSetup& setup, const FvfLayout& l, const VertexInput& in, const float position[3],
                   const float* normal, float out[kMaxTexCoordSets][kTexCoordComponents],
                   float divisors[kMaxTexCoordSets]) {
    for (int s = 0; s < setup.stageCount; ++s) {
        const TexCoordStage& st = setup.stages[s];
        float v[4];
        Source(st, setup, l, in, position, normal, v);
        const int count = int(st.flags & 0xFF);
        if (count == D3DTTFF_DISABLE || count > 4) {
            // A vertex's own set of one or two floats has no third coordinate.
            const bool third = st.generate != D3DTSS_TCI_PASSTHRU || l.texDims[st.set] > 2;
            out[s][0] = v[0], out[s][1] = v[1], out[s][2] = third ? v[2] : 0;
            continue;
        }
        float r[4];
        for (int c = 0; c < 4; ++c)
            r[c] = v[0] * st.matrix.m[0][c] + v[1] * st.matrix.m[1][c] + v[2] * st.matrix.m[2][c] +
                   v[3] * st.matrix.m[3][c];
        if (count == 1) r[1] = 0;
        if (count < 3) r[2] = 0;
        // Projected: the last element counted divides those before it, at each pixel; it
        // is kept beside them.
        const bool projected = ProjectsTexCoords(st.flags);
        for (int k = 0; k < kTexCoordComponents; ++k) out[s][k] = !projected || k < count - 1 ? r[k] : 0;
        if (projected) divisors[s] = r[count - 1];
    }
}

}  // namespace host
