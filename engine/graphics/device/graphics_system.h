// Graphics start-up and shutdown: the screen settings, the choice between the Direct3D 9
// device and the software renderer, and the device objects both paths rely on.
#pragma once
#include <orvik/graphics.h>
#include <array>
#include <cstdint>
#include <vector>

#include "engine/graphics/device/target_readback.h"
#include "host/d3d9/device/d3d9_types.h"
#include "host/win/system/modules.h"
#include "host/win/system/types.h"

namespace host {
class Direct3D9;
class Device;
class SwapChain;
class Surface;
class IDirectDraw7;
}  // namespace host

namespace orvik {

struct MEMIMG;

struct ScreenSettings {
    int32_t width = 0, height = 0, depth = 0, refreshRate = 0;
    int32_t scale320 = 0;          // a 320 x 240 screen shown at 640 x 480
    int32_t scale320Fallback = 0;  // the same, because the 320 x 240 mode was missing
    host::RECT output{};           // the part of the window the last presentation showed
    int64_t refreshPeriod = -1;    // microseconds; -1 unknown
    uint64_t lastVBlank = 0;       // microseconds
};


// Texture format indices: colour 16/32, alpha 16/32, alpha test 16/32, DXT1 to DXT5,
// drawable 16/32, drawable with alpha.
constexpr int kTextureFormatCount = 14;

// The device and what was learnt about it when it was made.
struct DeviceObjects {
    host::IDirectDraw7* ddraw = nullptr;
    host::Direct3D9* d3d = nullptr;
    int32_t d3dIsEx = 0;
    host::Device* device = nullptr;
    host::SwapChain* swapChain = nullptr;
    host::Surface* backBuffer = nullptr;
    host::Surface* subBackBuffer = nullptr;
    host::Surface* zSurface = nullptr;
    int32_t sceneBegun = 0;
    host::D3DFORMAT screenFormat = host::D3DFMT_UNKNOWN;
    host::D3DFORMAT depthFormat = host::D3DFMT_UNKNOWN;
    std::array<host::D3DFORMAT, kTextureFormatCount> textureFormats{};
    host::D3DCAPS9 caps{};
    int32_t tssArgTemp = 0, blendOpCaps = 0;
    int32_t maxTextureWidth = 0, maxTextureHeight = 0, maxTextureSize = 0;
    int32_t vertexShader20 = 0, pixelShader20 = 0;
    int32_t hardwareVertexProcessing = 0;
    int32_t backBufferLock = 0;
    int32_t refreshMillis = 0;
    // The display mode was changed before the device was made (so the device does not
    // own it and shutdown restores it).
    int32_t displayChangedFirst = 0;
};

struct GraphicsState {
    ScreenSettings screen;  // survives shutdown
    int32_t up = 0;
    int32_t direct3DMode = 0;
    int32_t useSoftware = 0;
    host::HMODULE d3d9 = nullptr;
    int32_t drawTarget = -2;
    int (*restoreCallback)() = nullptr;
    std::vector<DisplayModeEntry> displayModes;
    int32_t displayModesListed = 0;
    // The window's background colour, used to clear a new screen.
    uint8_t background[3] = {0, 0, 0};
    DeviceObjects dev;
    // Software path: the screen image and the two work images of text drawing.
    MEMIMG* softScreen = nullptr;
    MEMIMG* textWork[2] = {nullptr, nullptr};
    ReadBackHold readBack;
};

GraphicsState& Graphics();
// Back to a fresh program: graphics down, every setting at its default (tests).
void ResetGraphicsState();

int InitGraphics();
int TerminateGraphics();
int StartDirect3D9();
int ReleaseDirect3D9();
int CreatePrimarySurfaceMemImg();
// The software path's screen and text work images, and the pointer at them.
void ReleaseSoftScreen();

// -2 back buffer, -4 front buffer. 0, or -1 before graphics starts.
int SetDrawTarget(int target);
// Restarts graphics with the given values (-1 keeps one; force 1 restarts even when
// nothing changes), falling back to modes that start. 0; the process ends when none does.
int ChangeScreenMode(int width, int height, int depth, int force, int refreshRate);
// Fills the list of display modes of 16 bits or more; count and list out. 0.
int EnumDisplayModeList(int* count, const DisplayModeEntry** list);
// 1 when the display offers the size.
int IsScreenSizeListed(int width, int height);
// 1 when a restore function is stored (the library's start stores the default), else 0.
int IsGraphRestoreCallbackSet();
// After the device was made anew: the restore callback (by default the graphics' files),
// then every font. 0.
int RestoreAllGraphs();
// Shows the screen in the window (a rectangle of it, or all of it for null). 0 or -1.
int PresentScreenRect(const host::RECT* rect);
host::IDirectDraw7* GetDirectDrawObject();
// 1 when graphics runs full screen with its DirectDraw object.
int HasFullScreenDirectDraw();

}  // namespace orvik
