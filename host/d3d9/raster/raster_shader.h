// Drawing with a pixel shader: triangles, lines and points of shaded vertices whose
// attributes (colours and texture coordinates of four components) are interpolated
// perspective-correct and handed to the pixel program, whose colour then goes through
// the device's back end (alpha test, depth, blending) as a texture stage result would.
#pragma once
#include "host/d3d9/device/draw_state.h"
#include "host/d3d9/shader/shader_lanes.h"
#include "host/d3d9/shader/shader_run.h"
#include "host/d3d9/vertex/vertex_pipeline.h"

namespace host {

// Attributes passed from the vertex stage to the pixels: oD0 and oD1 become v0 and v1,
// oT0..oT7 become t0..t7.
constexpr int kVaryings = 2 + kTexCoordRegs;

// A vertex in clip space (pos x, y, z, w) or, once mapped, on the screen (x, y, z, rhw).
struct ShadedVertex {
    float pos[4] = {0, 0, 0, 1};
    Vec4 attr[kVaryings];
    // The vertex fog factor (oFog, or the fixed-function vertex fog): 1 clear, 0 all fog.
    float fog = 1;
};

ShadedVertex LerpVertex(const ShadedVertex& a, const ShadedVertex& b, float t);

// Colours between 0xAARRGGBB and (red, green, blue, alpha) from 0 to 1; components beyond
// 0 to 1 saturate, and the nearest byte is taken.
Vec4 ColorToVec4(uint32_t argb);
// The same for a row of lanes.
void ColorsToLanes(const uint32_t argb[kLanes], LaneRegister* out);
uint32_t Vec4ToColor(const Vec4& c);
// The same for each lane of a row.
void LaneColors(const LaneRegister& c, uint32_t out[kLanes]);

// A vertex shader's output for the fixed-function pixel stages: colours as bytes and the
// texture coordinates. With `vertexFog` the specular alpha carries the fog factor instead
// of oD1's alpha, where those stages read it (as the fixed-function vertex stage leaves it).
ClipVertex ToClipVertex(const ShadedVertex& v, bool vertexFog);

// One draw's pixel program: the code, its constants and its samplers s0..s15 (the texture
// stages' samplers in the draw state are not used).
struct PixelProgram {
    const ShaderProgram* program = nullptr;
    const ProgramConstants* constants = nullptr;
    const StageSampler* samplers = nullptr;
    // Runs count what they execute on it; once the draw's time is up nothing more is shaded.
    DrawWatchdog* watchdog = nullptr;
    // The draw's registers for rows of pixels, when the code runs so.
    LaneRun* lanes = nullptr;
};

// Screen-space vertices; `flat` gives the colours under flat shading. Culling is applied here.
void RasterShaderTriangle(const DrawState& st, const PixelProgram& pp, const ShadedVertex& a, const ShadedVertex& b,
                          const ShadedVertex& c, const ShadedVertex& flat);
void RasterShaderLine(const DrawState& st, const PixelProgram& pp, const ShadedVertex& a, const ShadedVertex& b,
                      const ShadedVertex& flat);
void RasterShaderPoint(const DrawState& st, const PixelProgram& pp, const ShadedVertex& v);

}  // namespace host
