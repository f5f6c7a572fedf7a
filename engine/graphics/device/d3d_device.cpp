#include "engine/graphics/device/d3d_device.h"

#include <cstring>

#include "engine/graphics/draw/color_data.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/device/graphics_system.h"
#include "engine/graphics/device/present.h"
#include "engine/graphics/device/state_cache.h"
#include "engine/platform/base/log.h"
#include "engine/platform/startup/sysinfo.h"
#include "engine/platform/startup/timing.h"
#include "engine/platform/window/window.h"
#include "engine/platform/window/window_mode.h"
#include "host/d3d9/device/device.h"
#include "host/d3d9/device/direct3d9.h"
#include "host/ddraw/ddraw.h"
#include "host/gdi/dib_output.h"
#include "host/win/system/com.h"

namespace orvik {

using namespace host;

namespace {

DeviceObjects& Dev() { return Graphics().dev; }
bool FullScreen() { return Window().settings.windowMode == 0; }

template <class T>
void ReleaseObject(T*& object) {
    if (object) object->Release();
    object = nullptr;
}

const char* FormatName(D3DFORMAT f) {
    switch (f) {
    case D3DFMT_R5G6B5: return "D_D3DFMT_R5G6B5";
    case D3DFMT_X1R5G5B5: return "D_D3DFMT_X1R5G5B5";
    case D3DFMT_X8R8G8B8: return "D_D3DFMT_X8R8G8B8";
    case D3DFMT_A4R4G4B4: return "D_D3DFMT_A4R4G4B4";
    case D3DFMT_A8R8G8B8: return "D_D3DFMT_A8R8G8B8";
    case D3DFMT_A1R5G5B5: return "D_D3DFMT_A1R5G5B5";
    default: return "UNKNOWN";
    }
}

// The first candidate the device accepts as a texture of the screen's format, or 0.
D3DFORMAT FirstAccepted(std::initializer_list<D3DFORMAT> candidates, DWORD usage) {
    for (D3DFORMAT f : candidates)
        if (f != D3DFMT_UNKNOWN &&
            SUCCEEDED(Dev().d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, Dev().screenFormat, usage, D3DRTYPE_TEXTURE, f)))
            return f;
    return D3DFMT_UNKNOWN;
}

// Picks the formats of every texture kind; -1 when a kind the engine cannot do without
// has none.
int ChooseTextureFormats() {
    DeviceObjects& d = Dev();
    auto& t = d.textureFormats;
    struct Required {
        int index;
        std::initializer_list<D3DFORMAT> candidates;
        const char* chosen;
        const char* missing;
    };
    t[0] = FirstAccepted({D3DFMT_R5G6B5, D3DFMT_X1R5G5B5}, 0);
    t[1] = FirstAccepted({D3DFMT_X8R8G8B8, t[0]}, 0);
    t[2] = FirstAccepted({D3DFMT_A4R4G4B4, D3DFMT_A8R8G8B8}, 0);
    t[3] = FirstAccepted({D3DFMT_A8R8G8B8, D3DFMT_A4R4G4B4}, 0);
    t[4] = FirstAccepted({D3DFMT_A1R5G5B5, D3DFMT_A8R8G8B8, D3DFMT_A4R4G4B4}, 0);
    t[5] = FirstAccepted({D3DFMT_A8R8G8B8, D3DFMT_A1R5G5B5, D3DFMT_A4R4G4B4}, 0);
    const struct {
        int index;
        const char* chosen;
        const char* missing;
    } plain[] = {
        {0, "16bit カラーフォーマットは %s です", "使用できる 16bit カラーフォーマットが見つかりませんでした\n"},
        {1, "32bit カラーフォーマットは %s です", nullptr},
        {2, "アルファ付き 16bit カラーフォーマットは %s です", "使用できるアルファ付き 16bit カラーフォーマットが見つかりませんでした\n"},
        {3, "アルファ付き 32bit カラーフォーマットは %s です", "使用できるアルファ付き 32bit カラーフォーマットが見つかりませんでした\n"},
        {4, "アルファテスト用 16bit カラーフォーマットは %s です", "使用できるアルファテスト用 16bit カラーフォーマットが見つかりませんでした\n"},
        {5, "アルファテスト用 32bit カラーフォーマットは %s です", "使用できるアルファテスト用 32bit カラーフォーマットが見つかりませんでした\n"},
    };
    for (const auto& p : plain) {
        if (t[p.index] == D3DFMT_UNKNOWN) {
            if (p.missing) return AddLogText(p.missing);
            continue;
        }
        AddLogFormat(p.chosen, FormatName(t[p.index]));
    }
    static const char* const kDxtNames[5] = {"ＤＸＴ１テクスチャフォーマットは%s", "ＤＸＴ２テクスチャフォーマットは%s",
                                             "ＤＸＴ３テクスチャフォーマットは%s", "ＤＸＴ４テクスチャフォーマットは%s",
                                             "ＤＸＴ５テクスチャフォーマットは%s"};
    static const char* const kDxtOk[5] = {" D_D3DFMT_DXT1 です", " D_D3DFMT_DXT2 です", " D_D3DFMT_DXT3 です",
                                          " D_D3DFMT_DXT4 です", " D_D3DFMT_DXT5 です"};
    const D3DFORMAT dxt[5] = {D3DFMT_DXT1, D3DFMT_DXT2, D3DFMT_DXT3, D3DFMT_DXT4, D3DFMT_DXT5};
    for (int i = 0; i < 5; ++i) {
        D3DFORMAT f = FirstAccepted({dxt[i]}, 0);
        AddLogFormat(kDxtNames[i], f ? kDxtOk[i] : "使えません");
        // Without the compressed format the decoded image goes into an uncompressed one.
        t[6 + i] = f ? f : (i == 0 ? t[4] : t[3]);
    }
    bool screen565 = d.screenFormat == D3DFMT_R5G6B5;
    D3DFORMAT own16 = screen565 ? D3DFMT_R5G6B5 : D3DFMT_X1R5G5B5;
    D3DFORMAT other16 = screen565 ? D3DFMT_X1R5G5B5 : D3DFMT_R5G6B5;
    t[11] = FirstAccepted({own16, other16, D3DFMT_X8R8G8B8}, D3DUSAGE_RENDERTARGET);
    t[12] = FirstAccepted({D3DFMT_X8R8G8B8, D3DFMT_R5G6B5, D3DFMT_X1R5G5B5}, D3DUSAGE_RENDERTARGET);
    t[13] = FirstAccepted({D3DFMT_A8R8G8B8, D3DFMT_A4R4G4B4}, D3DUSAGE_RENDERTARGET);
    const struct {
        int index;
        const char* chosen;
        const char* missing;
    } drawable[] = {
        {11, "描画用 16bit カラーフォーマットは %s です", "使用できる描画用 16bit カラーフォーマットがありませんでした\n"},
        {12, "描画用 32bit カラーフォーマットは %s です", "使用できる描画用 32bit カラーフォーマットがありませんでした\n"},
        {13, "描画用アルファ付き 32bit カラーフォーマットは %s です",
         "使用できる描画用アルファ付き 32bit カラーフォーマットがありませんでした\n"},
    };
    for (const auto& p : drawable) {
        D3DFORMAT f = t[p.index];
        if (f == D3DFMT_UNKNOWN) AddLogText(p.missing);
        else AddLogFormat(p.chosen, f == D3DFMT_R5G6B5 ? "D3DFMT_R5G6B5" : f == D3DFMT_X1R5G5B5 ? "D_D3DFMT_R5G5B5" : FormatName(f));
    }
    return 0;
}

int ChooseDepthFormat() {
    DeviceObjects& d = Dev();
    const struct {
        D3DFORMAT format;
        const char* name;
    } depth[] = {{D3DFMT_D16, "D3DFMT_D16"}, {D3DFMT_D24X8, "D3DFMT_D24X8"}, {D3DFMT_D32, "D3DFMT_D32"}};
    for (const auto& c : depth) {
        if (SUCCEEDED(d.d3d->CheckDepthStencilMatch(0, D3DDEVTYPE_HAL, d.screenFormat, d.screenFormat, c.format))) {
            d.depthFormat = c.format;
            AddLogFormat("Ｚバッファのフォーマットは %s です", c.name);
            return 0;
        }
    }
    return AddLogText("使用できる Zバッファフォーマットが見つかりませんでした\n");
}

void ReadCapabilities() {
    DeviceObjects& d = Dev();
    d.device->GetDeviceCaps(&d.caps);
    d.tssArgTemp = (d.caps.PrimitiveMiscCaps & D3DPMISCCAPS_TSSARGTEMP) ? 1 : 0;
    d.blendOpCaps = (d.caps.PrimitiveMiscCaps & D3DPMISCCAPS_BLENDOP) ? 1 : 0;
    d.maxTextureWidth = d.caps.MaxTextureWidth ? int32_t(d.caps.MaxTextureWidth) : 256;
    d.maxTextureHeight = d.caps.MaxTextureHeight ? int32_t(d.caps.MaxTextureHeight) : 256;
    d.maxTextureSize = d.maxTextureWidth < d.maxTextureHeight ? d.maxTextureWidth : d.maxTextureHeight;
    d.vertexShader20 = (d.caps.VertexShaderVersion & 0xFFFF) >= 0x200;
    d.pixelShader20 = (d.caps.PixelShaderVersion & 0xFFFF) >= 0x200;
    D3DADAPTER_IDENTIFIER9 id;
    d.d3d->GetAdapterIdentifier(0, 0, &id);
    AddLogFormat("Driver:%s  Description:%s", id.Driver, id.Description);
}

// Polls the raster status into and out of a vertical blank, twice; the milliseconds
// between are the refresh period. Bounded, so a raster that never blanks cannot hang.
void MeasureRasterRefresh() {
    DeviceObjects& d = Dev();
    auto waitBlankEdge = [&] {
        D3DRASTER_STATUS st;
        for (int i = 0; i < 100000 && SUCCEEDED(d.swapChain->GetRasterStatus(&st)) && !st.InVBlank; ++i) {}
        for (int i = 0; i < 100000 && SUCCEEDED(d.swapChain->GetRasterStatus(&st)) && st.InVBlank; ++i) {}
        return GetNowMilliseconds();
    };
    int32_t first = waitBlankEdge();
    d.refreshMillis = waitBlankEdge() - first;
}

// Decides whether reading the back buffer straight is faster than copying it through a
// temporary render target first.
void TimeBackBufferLock() {
    DeviceObjects& d = Dev();
    const ScreenSettings& s = Graphics().screen;
    d.backBufferLock = 0;
    int side = 256;
    while (side > s.width || side > s.height) side /= 2;
    const ColorFormat* cf = GetD3DFormatColorData(d.screenFormat);
    int rowBytes = side * (cf ? cf->bytesPerPixel : 4);
    RECT square{0, 0, side, side};
    int64_t direct = -1, indirect = -1;
    auto copyRows = [&](Surface* from, Surface* to) {
        D3DLOCKED_RECT src, dst;
        if (FAILED(from->LockRect(&src, &square, D3DLOCK_READONLY))) return false;
        bool ok = SUCCEEDED(to->LockRect(&dst, &square, 0));
        for (int y = 0; ok && y < side; ++y)
            std::memcpy(static_cast<uint8_t*>(dst.pBits) + y * dst.Pitch, static_cast<uint8_t*>(src.pBits) + y * src.Pitch, rowBytes);
        if (ok) to->UnlockRect();
        from->UnlockRect();
        return ok;
    };
    for (int round = 0; round < 3; ++round) {
        direct = indirect = -1;
        Surface *plain = nullptr, *plain2 = nullptr, *target = nullptr;
        uint64_t start = GetNowMicroseconds(0);
        if (SUCCEEDED(d.device->CreateOffscreenPlainSurface(side, side, d.screenFormat, D3DPOOL_SYSTEMMEM, &plain)) &&
            copyRows(d.backBuffer, plain))
            direct = int64_t(GetNowMicroseconds(0) - start);
        start = GetNowMicroseconds(0);
        if (plain && SUCCEEDED(d.device->CreateRenderTarget(side, side, d.screenFormat, D3DMULTISAMPLE_NONE, 0, 0, &target)) &&
            SUCCEEDED(d.device->CreateOffscreenPlainSurface(side, side, d.screenFormat, D3DPOOL_SYSTEMMEM, &plain2)) &&
            SUCCEEDED(d.device->StretchRect(d.backBuffer, &square, target, &square, D3DTEXF_NONE)) &&
            SUCCEEDED(d.device->GetRenderTargetData(target, plain2)) && copyRows(plain2, plain))
            indirect = int64_t(GetNowMicroseconds(0) - start);
        ReleaseObject(plain);
        ReleaseObject(plain2);
        ReleaseObject(target);
    }
    if (direct < 0 || indirect < 0) {
        AddLogText("バックバッファロックはロックできません\n");
        return;
    }
    AddLogFormat("バックバッファロック転送の時間:%dnsec  一時的な描画可能バッファを使用した転送の時間:%dnsec", int(direct),
                 int(indirect));
    d.backBufferLock = direct < indirect;
    AddLogText(d.backBufferLock ? "バックバッファロックを使用します\n" : "バックバッファロックを使用しません\n");
}

// Makes the device, retrying once with software vertex processing.
int MakeDevice(DWORD behaviour, D3DPRESENT_PARAMETERS* pp, const D3DDISPLAYMODEEX* mode) {
    DeviceObjects& d = Dev();
    HWND window = GetAppWindowHandle();
    auto create = [&](DWORD flags) {
        return d.d3dIsEx ? d.d3d->CreateDeviceEx(0, D3DDEVTYPE_HAL, window, flags, pp, mode, &d.device)
                         : d.d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, flags, pp, &d.device);
    };
    AddLogText(d.d3dIsEx ? "IDirect3DDevice9Ex オブジェクトを取得します.... " : "IDirect3DDevice9 オブジェクトを取得します.... ");
    if (FAILED(create(behaviour))) {
        behaviour = (behaviour & ~(D3DCREATE_MIXED_VERTEXPROCESSING | D3DCREATE_HARDWARE_VERTEXPROCESSING)) |
                    D3DCREATE_SOFTWARE_VERTEXPROCESSING;
        d.hardwareVertexProcessing = 0;
        if (FAILED(create(behaviour)))
            return AddLogText(d.d3dIsEx ? "Direct3DDevice9Ex の作成に失敗しました\n" : "Direct3DDevice9 の作成に失敗しました\n");
    }
    if (d.d3dIsEx) d.device->SetMaximumFrameLatency(1);
    return 0;
}

}  // namespace

int CreateDirectDrawObject() {
    DeviceObjects& d = Dev();
    ReleaseObject(d.ddraw);
    AddLogText("DirectDraw オブジェクトの取得を行います....  ");
    void* object = nullptr;
    if (FAILED(CoCreateInstance(CLSID_DirectDraw7, nullptr, CLSCTX_ALL & 7, IID_IDirectDraw7, &object)) || !object)
        return AddLogText("オブジェクトの取得に失敗しました\n");
    d.ddraw = static_cast<IDirectDraw7*>(static_cast<IUnknown*>(object));
    AddLogText("成功\n");
    AddLogText("引き続き初期化処理... ");
    if (FAILED(d.ddraw->Initialize(nullptr))) {
        AddLogText("DirectDrawオブジェクトの初期化に失敗しました\n");
        ReleaseObject(d.ddraw);
        return -1;
    }
    AddLogText("初期化に成功しました\n");
    d.ddraw->SetCooperativeLevel(GetAppWindowHandle(), DDSCL_NORMAL);
    return 0;
}

int CreateDirect3D9Object() {
    DeviceObjects& d = Dev();
    ReleaseObject(d.d3d);
    d.d3dIsEx = 0;
    AddLogText("IDirect3D9Ex オブジェクトを取得します.... ");
    using CreateEx = HRESULT (*)(UINT, Direct3D9**);
    using Create = Direct3D9* (*)(UINT);
    auto createEx = reinterpret_cast<CreateEx>(GetProcAddress(Graphics().d3d9, "Direct3DCreate9Ex"));
    if (createEx && SUCCEEDED(createEx(D3D_SDK_VERSION, &d.d3d)) && d.d3d) {
        d.d3dIsEx = 1;
    } else {
        AddLogText("IDirect3D9 オブジェクトを取得します.... ");
        auto create = reinterpret_cast<Create>(GetProcAddress(Graphics().d3d9, "Direct3DCreate9"));
        if (!create) return AddLogText("Direct3DCreate9 APIのアドレス取得に失敗しました\n");
        d.d3d = create(D3D_SDK_VERSION);
        if (!d.d3d) return AddLogText("IDirect3D9 オブジェクトの取得に失敗しました\n");
    }
    AddLogText("成功\n");
    return 0;
}

int CreateDirect3DDevice9() {
    DeviceObjects& d = Dev();
    ScreenSettings& s = Graphics().screen;
    if (!d.d3d) return -1;
    if (d.device) {
        AddLogText("Direct3DDevice9 の解放 1\n");
        ReleaseDeviceSurfaces();
        ReleaseObject(d.device);
        d.sceneBegun = 0;
    }
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = UINT(s.width);
    pp.BackBufferHeight = UINT(s.height);
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_COPY;
    pp.hDeviceWindow = GetAppWindowHandle();
    pp.Flags = 1;  // D3DPRESENTFLAG_LOCKABLE_BACKBUFFER
    pp.PresentationInterval = Draw().noVBlankWait ? D3DPRESENT_INTERVAL_IMMEDIATE : D3DPRESENT_INTERVAL_ONE;
    D3DDISPLAYMODEEX fullMode{};
    const D3DDISPLAYMODEEX* modeArg = nullptr;
    bool windowed = !FullScreen() || (OsVersionCode() >= kOsWinVista && (s.scale320 || s.scale320Fallback));
    if (windowed) {
        D3DDISPLAYMODE current;
        d.d3d->GetAdapterDisplayMode(0, &current);
        pp.Windowed = 1;
        pp.BackBufferFormat = current.Format;
        if (current.Format == D3DFMT_X8R8G8B8) s.depth = 32;
        else if (current.Format == D3DFMT_R5G6B5 || current.Format == D3DFMT_X1R5G5B5 || current.Format == D3DFMT_A1R5G5B5)
            s.depth = 16;
        EnableDesktopComposition(1);
    } else {
        pp.FullScreen_RefreshRateInHz = UINT(s.refreshRate);
        if (s.depth == 16)
            pp.BackBufferFormat = d.d3d->GetAdapterModeCount(0, D3DFMT_R5G6B5) ? D3DFMT_R5G6B5 : D3DFMT_X1R5G5B5;
        else if (s.depth == 32) pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        else return AddLogText("非対応のバックバッファービット深度が指定されました\n");
        fullMode = D3DDISPLAYMODEEX{24, pp.BackBufferWidth, pp.BackBufferHeight, pp.FullScreen_RefreshRateInHz,
                                    pp.BackBufferFormat, D3DSCANLINEORDERING_PROGRESSIVE};
        modeArg = d.d3dIsEx ? &fullMode : nullptr;
        bool wasOn = !Window().rt.compositionOff;
        EnableDesktopComposition(0);
        if (wasOn && Window().rt.compositionOff) AddLogText("Desktop Window Manager を無効にしました\n");
    }
    D3DCAPS9 adapterCaps;
    d.d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &adapterCaps);
    d.hardwareVertexProcessing =
        (adapterCaps.VertexShaderVersion & 0xFFFF) >= 0x200 && (adapterCaps.PixelShaderVersion & 0xFFFF) >= 0x200;
    DWORD behaviour = d.hardwareVertexProcessing ? D3DCREATE_MIXED_VERTEXPROCESSING : D3DCREATE_SOFTWARE_VERTEXPROCESSING;
    if (MakeDevice(behaviour, &pp, modeArg) != 0) return -1;
    AddLogText(d.hardwareVertexProcessing ? "ハードウエア頂点演算を使用します\n" : "ソフトウエア頂点演算を使用します\n");
    UseWindowForD3D9Presents();
    MeasureRefreshPeriod();
    ForgetShaderShadows();
    SetZEnableCached(1);
    const uint8_t* bg = Graphics().background;
    for (int i = 0; i < 4; ++i) {
        d.device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, D3DCOLOR_XRGB(bg[0], bg[1], bg[2]), 1.0f, 0);
        if (i < 3) d.device->Present(nullptr, nullptr, GetAppWindowHandle(), nullptr);
    }
    d.device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &d.backBuffer);
    d.device->GetSwapChain(0, &d.swapChain);
    MeasureRasterRefresh();
    AddLogText("成功\n");
    ReadCapabilities();
    D3DSURFACE_DESC desc;
    d.backBuffer->GetDesc(&desc);
    d.screenFormat = desc.Format;
    if (d.screenFormat == D3DFMT_X8R8G8B8 || d.screenFormat == D3DFMT_R5G6B5 || d.screenFormat == D3DFMT_X1R5G5B5)
        AddLogFormat("画面のフォーマットは %s です", FormatName(d.screenFormat) + 2);
    else AddLogFormat("バックバッファが対応していないフォーマット %d です", int(d.screenFormat));
    if (ChooseDepthFormat() != 0 || ChooseTextureFormats() != 0) return -1;
    AddLogFormat("最大テクスチャサイズ　幅:%d 高さ:%d", d.maxTextureWidth, d.maxTextureHeight);
    AddLogFormat("テクスチャステージテンポラリレジスタ：%s", d.tssArgTemp ? "ネイティブ" : "エミュレート");
    AddLogFormat("減算合成のハードウェア対応：%s", d.blendOpCaps ? "使用可" : "使用不可");
    AddLogFormat("頂点シェーダーバージョンコード：%x", unsigned(d.caps.VertexShaderVersion));
    AddLogFormat("ピクセルシェーダーバージョンコード：%x", unsigned(d.caps.PixelShaderVersion));
    TimeBackBufferLock();
    return 0;
}

int CreateZBuffer() {
    DeviceObjects& d = Dev();
    if (!d.device) return -1;
    ReleaseObject(d.zSurface);
    AddLogText("Ｚバッファを作成します.... ");
    const ScreenSettings& s = Graphics().screen;
    UINT w = 1, h = 1;
    while (w < UINT(s.width)) w <<= 1;
    while (h < UINT(s.height)) h <<= 1;
    if (FAILED(d.device->CreateDepthStencilSurface(w, h, d.depthFormat, D3DMULTISAMPLE_NONE, 0, 1, &d.zSurface)))
        return AddLogText("Ｚバッファの作成に失敗しました\n");
    d.device->SetDepthStencilSurface(d.zSurface);
    d.device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    AddLogText("成功\n");
    return 0;
}

int CreateSubBackBuffer() {
    DeviceObjects& d = Dev();
    if (!d.device) return -1;
    ReleaseObject(d.subBackBuffer);
    const ScreenSettings& s = Graphics().screen;
    if (FAILED(d.device->CreateRenderTarget(UINT(s.width), UINT(s.height), d.screenFormat, D3DMULTISAMPLE_NONE, 0, 0,
                                            &d.subBackBuffer)))
        return AddLogText("サブバックバッファの作成に失敗しました\n");
    return 0;
}

int SetDialogBoxModeFlag(int on) {
    Device* device = Dev().device;
    if (!Graphics().direct3DMode || !device) return 0;
    device->SetDialogBoxMode(0);
    if (on) device->SetDialogBoxMode(1);
    return 0;
}

int SetDialogBoxModeAfterEndScene(int on) {
    EndSceneIfBegun();
    if (Dev().device) Dev().device->SetDialogBoxMode(on ? 1 : 0);
    return 0;
}

void ReleaseDeviceSurfaces() {
    DeviceObjects& d = Dev();
    ReleaseObject(d.subBackBuffer);
    ReleaseObject(d.backBuffer);
    ReleaseObject(d.swapChain);
}

}  // namespace orvik
