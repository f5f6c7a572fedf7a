// Linking the vertex stage to the pixel stage. Model 3.0 code names what each of its
// output and input registers carries by usage and usage index, and an output reaches the
// input declared with the same pair, whatever their register numbers. Earlier code and
// the fixed-function stage carry diffuse (colour 0), specular (colour 1) and texture sets
// 0 to 7 in fixed places, which is how they link to model 3.0 code too.
#pragma once
#include <array>
#include <vector>

#include "host/d3d9/raster/raster_shader.h"

namespace host {

// What each attribute slot of a shaded vertex carries: usage << 8 | usage index, or -1.
using SlotSemantics = std::array<int, kVaryings>;

// The slots a pixel program reads: its declared inputs (model 3.0, slot n for v#n), else
// the fixed places (also for the fixed-function pixel stage, `pixel` null).
SlotSemantics PixelSlots(const ShaderProgram* pixel);

// Where the outputs of model 3.0 vertex code go.
struct VertexOutputMap {
    struct Link {
        uint8_t reg, mask, slot;
    };
    std::vector<Link> links;
    int position = -1, fog = -1;  // output registers, or -1
    int fogComponent = 0;
};
VertexOutputMap MapVertexOutputs(const ShaderProgram& vs, const SlotSemantics& slots);

// A vertex from the registers a vertex program leaves: model 3.0 outputs through `map`,
// earlier code's oPos, oD0, oD1, oT# and oFog (with `writesFog`) in their places. Outputs
// nothing feeds read as zero; a vertex without fog is clear of it.
void StoreVertexOutputs(const ShaderProgram& vs, const VertexOutputMap& map, bool writesFog,
                        const ShaderRegisters& regs, ShadedVertex* v);

// A vertex with attributes in the fixed places moved to the slots `slots` names.
void RelinkFixedPlaces(const SlotSemantics& slots, ShadedVertex* v);

}  // namespace host
