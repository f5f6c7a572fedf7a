// Graphics for programs: graphic handles, loading images into them, the draw state and
// the drawing functions. Every function returns 0 (or a handle) on success and -1 on
// failure; nothing is thrown. Coordinates are pixels of the draw target, x to the right
// and y downwards; colours are screen colour values from GetColorValue.
#pragma once
#include <cstdint>

namespace orvik {

// Draw targets besides drawable graphics.
constexpr int kDrawTargetBackBuffer = -2;
constexpr int kDrawTargetFrontBuffer = -4;

// Screen: settings made before InitLibrary, and what the running screen is.
// Screen size and colour depth (16 or 32). 0, or -1 for a size out of range.
int SetGraphMode(int width, int height, int depth);
int GetScreenSize(int* width, int* height);
int GetScreenColorBitDepth();
// 1 draws through the Direct3D device (the default), 0 with the software renderer; -1
// once the library runs.
int SetUseHardwareRendering(int use);
int GetUseHardwareRendering();
// The window background colour new screens are filled with.
int SetBackgroundColor(int red, int green, int blue);
// One mode the display offers.
struct DisplayModeEntry {
    int32_t width, height, bits, refreshRate;
};
// How many modes of 16 bits or more the display offers, and each of them (index from 0;
// out of range: -1 and every field -1).
int GetDisplayModeCount();
int GetDisplayModeByIndex(DisplayModeEntry* mode, int index);

// Handles.
int IsValidGraphHandle(int32_t handle);
// Size of a graphic, or of the screen for -2 and -4; either pointer may be null.
int QueryGraphSize(int32_t handle, int* width, int* height);
// The int is set to 0 now and to 1 when the graphic is deleted; null detaches.
int SetGraphDeletedFlag(int32_t handle, int* flag);
// A graphic showing a rectangle of source (sharing its pixels); cut at the source's edge.
int32_t DeriveGraph(int x, int y, int width, int height, int32_t source);
int DeleteGraphHandle(int32_t handle, int ignored = 0);
int DeleteAllGraphs(int ignored = 0);
int FillGraphColor(int32_t handle, int red, int green, int blue, int alpha);
// When the device is made again (a full screen left and come back to, or a present that
// failed in a window), graphics keep their handles; those loaded from files are loaded
// again, and drawable graphics come back empty. A function set here (after InitLibrary)
// runs in their place, so that a program can draw its drawable graphics again, calling
// RestoreGraphsFromFiles for the others; null puts back the loading from files.
int SetGraphRestoreCallback(int (*callback)());
int RestoreGraphsFromFiles();

// Creation settings read by the next graphic made.
int SetCreateGraphBitDepth(int depth);
int GetCreateGraphBitDepth();
int SetCreateDrawableGraphFlag(int flag);
int GetCreateDrawableGraphFlag();
int SetGraphColorKeyFlag(int flag);
int GetGraphColorKeyFlag();
int SetGraphAlphaChannelFlag(int flag);
int GetGraphAlphaChannelFlag();
int SetGraphSystemCopyFlag(int flag);
int GetGraphSystemCopyFlag();
int SetTransferColorKeyFlag(int flag);
// The colour that loaded images show as transparent.
int SetTransparentColor(int red, int green, int blue);

// Loading. An image "pic.bmp" takes its alpha channel from "pic_a.bmp" when that exists.
int32_t LoadImageToGraph(const char* path, int flag = 1);
int32_t LoadGraphFile(const char* path, int passFlag, int mirror, int movieOption);
int32_t CreateEmptyGraph(int width, int height, int ignored = 0);
// A graphic that can be a draw target.
int32_t CreateDrawableGraph(int width, int height);

// Draw state.
int SetDrawTarget(int target);
int GetDrawTarget();
// The draw area (x2, y2 exclusive); everything drawn is clipped to it.
int SetDrawClipRect(int x1, int y1, int x2, int y2);
// 0 none, 1 alpha, 2 additive, 3 subtractive, ... with a parameter 0 to 255.
int SetBlendMode(int mode, int parameter);
int SetDrawBrightness(int red, int green, int blue);
void SetDrawBrightRGB(uint32_t rgb);
// 0 point sampling, 1 linear, others anisotropic.
int SetDrawFilterMode(int mode);
int GetDrawFilterMode();
int SetBlendMaskGraph(int32_t handle, int border, int range);

// Shows the back buffer in the window (paced to the display unless the wait is off).
int PresentScreen();
// Like PresentScreen, and the back buffer keeps the picture for the next frame.
int PresentScreenPreserve();
// 1 waits for the vertical blank when presenting (the default), 0 presents at once.
int SetVBlankWaitFlag(int wait);
int GetVBlankWaitFlag();

// Drawing.
uint32_t GetColorValue(int red, int green, int blue);
struct ClearRect {
    int x1, y1, x2, y2;
};
int ClearDrawTarget(const ClearRect* rect = nullptr);
int DrawGraphAt(int x, int y, int32_t handle, int trans);
int DrawGraphStretched(int x1, int y1, int x2, int y2, int32_t handle, int trans);
int DrawGraphStretchedF(float x1, float y1, float x2, float y2, int32_t handle, int trans);
// Angle in radians about the graphic's centre at (x, y); turn mirrors left to right.
int DrawGraphRotated(int x, int y, double scale, double angle, int32_t handle, int trans, int turn);
int DrawGraphRotatedCore(float x, float y, double scale, double angle, int32_t handle, int trans, int turn);
int DrawGraphMirrored(int x, int y, int32_t handle, int trans);
int DrawGraphRegion(int x, int y, int sourceX, int sourceY, int width, int height, int32_t handle, int trans,
                    int turn);
// The part (sourceX, sourceY, width, height) of the graphic stretched into the rectangle.
// 0 (also when the part lies outside the graphic, which draws nothing), or -1 for a bad
// handle or a draw refused as the whole graphic's would be.
int DrawGraphRectStretchedF(float x1, float y1, float x2, float y2, int sourceX, int sourceY, int width,
                            int height, int32_t handle, int trans);
// Corners in the order top-left, top-right, bottom-right, bottom-left of the image.
int DrawGraphQuad(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4, int32_t handle,
                  int trans);
struct PolygonVertex {
    float x, y, u, v;
    uint32_t color;  // 0xAARRGGBB
};
constexpr int32_t kNoGraph = -5;
// Vertices with a Direct3D primitive type (4 triangle list, 5 strip, 6 fan), textured by
// the graphic or untextured with kNoGraph; map turns the graphic's 0..1 into its place in
// its texture.
int DrawGraphPolygon(const PolygonVertex* vertices, int count, int primitive, int32_t handle, int trans, int map);
int DrawFilledBox(int x1, int y1, int x2, int y2, uint32_t color);
int DrawLineBox(int x1, int y1, int x2, int y2, uint32_t color);
int DrawRectangle(int x1, int y1, int x2, int y2, uint32_t color, int fill);
int DrawColorLine(int x1, int y1, int x2, int y2, uint32_t color, int thickness = 1);
int DrawThickLine(int x1, int y1, int x2, int y2, int thickness, uint32_t color);

}  // namespace orvik
