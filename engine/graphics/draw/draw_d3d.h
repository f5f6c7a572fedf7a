// The device half of the drawing functions: graphics and shapes become pre-transformed
// vertices (screen pixels, pixel centres at whole numbers) in the vertex batch, after the
// render-state cache has been brought in line with the draw state.
#pragma once
#include <cstdint>

namespace host {
class Texture;
}

namespace orvik {

struct GraphImageSet;
struct GraphRecord;
struct PieceDraw;

// Set-up flags: transparency; an unscaled or point-exact draw (transparency may use the
// alpha test); Gouraud shading; vertex colour even under white brightness; vertex alpha
// even in blend mode 0; fog; no texture and blend set-up; a 3D draw (lights, material);
// specular highlights; the 3D depth settings; the draw state's addressing; keep shaders.
constexpr uint32_t kSetupTrans = 0x1;
constexpr uint32_t kSetupExact = 0x2;
constexpr uint32_t kSetupGouraud = 0x8;
constexpr uint32_t kSetupVertexColor = 0x20;
constexpr uint32_t kSetupVertexAlpha = 0x40;
constexpr uint32_t kSetupFog = 0x80;
constexpr uint32_t kSetupNoTexture = 0x100;
constexpr uint32_t kSetup3D = 0x200;
constexpr uint32_t kSetupSpecular = 0x400;
constexpr uint32_t kSetupDepth3D = 0x800;
constexpr uint32_t kSetupDrawAddressing = 0x1000;
constexpr uint32_t kSetupKeepShaders = 0x2000;

// The common set-up before a device draw (draw_setup_d3d.cpp).
void SetupGraphDrawD3D(const GraphImageSet* set, host::Texture* texture, uint32_t flags);
int DrawGraphAtD3D(int x, int y, const GraphRecord& record, int trans, int unscaled);
int DrawGraphStretchedD3D(float x1, float y1, float x2, float y2, const GraphRecord& record, int trans, int exact);
int DrawGraphRotatedD3D(float x, float y, double scale, double angle, const GraphRecord& record, int trans, int turn);
// Vertices of x, y, z, rhw, colour, u, v (28 bytes) with a primitive type, on the
// texture of piece (null: untextured).
int DrawTexturedPolygonD3D(const void* vertices, int count, int primitive, const GraphImageSet* set,
                           const PieceDraw* piece, int trans);
int DrawFilledBoxD3D(int x1, int y1, int x2, int y2, uint32_t color);
int DrawLineBoxD3D(int x1, int y1, int x2, int y2, uint32_t color);
int DrawLineD3D(int x1, int y1, int x2, int y2, uint32_t color);
int ClearDrawTargetD3D(const int* rect);

}  // namespace orvik
