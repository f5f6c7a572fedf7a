// Texture coordinates made by the fixed-function vertex stage: taken from the vertex or
// generated from its camera-space normal, position or reflection vector, then through
// the stage's texture matrix, and divided by their last element when projected.
#pragma once
#include <cstdint>

#include "host/d3d9/device/draw_state.h"

namespace host {

struct FvfLayout;
struct VertexInput;

struct TexCoordStage {
    int set = 0;                      // the vertex's coordinate set read
    DWORD generate = D3DTSS_TCI_PASSTHRU;
    DWORD flags = D3DTTFF_DISABLE;    // D3DTSS_TEXTURETRANSFORMFLAGS
    D3DMATRIX matrix;
};

// While active, output set s holds the coordinates of texture stage s. Projected stages
// (bit s of `projected`) keep their coordinates undivided, with the divisor beside them,
// so the division happens at each pixel.
struct TexCoordSetup {
    bool active = false;
    uint32_t projected = 0;
    int stageCount = 0;
    TexCoordStage stages[kMaxStages];
    bool localViewer = true;
};

// True when a stage's state asks for anything but the vertex's coordinates as they are.
bool ChangesTexCoords(DWORD texCoordIndex, DWORD transformFlags);
// True when the flags divide the transformed coordinates by their last element.
bool ProjectsTexCoords(DWORD transformFlags);

// `input` holds the vertex's own sets; `position` and `normal` (null when the vertex has
// none) are in camera space.
void MakeTexCoords(const TexCoordSetup& setup, const FvfLayout& layout, const VertexInput& input, const float position[3],
                   const float* normal, float out[kMaxTexCoordSets][kTexCoordComponents],
                   float divisors[kMaxTexCoordSets]);

}  // namespace host
