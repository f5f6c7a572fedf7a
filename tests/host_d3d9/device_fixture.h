// A small windowed device with a lockable 32-bit back buffer, and helpers to draw
// pre-transformed vertices and read pixels back.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "host/d3d9/device/d3d9_host.h"
#include "host/d3d9/device/device.h"
#include "host/d3d9/device/direct3d9.h"
#include "host/win/window/desktop.h"

namespace host::test {

struct TLVertex {
    float x, y, z, rhw;
    uint32_t color;
    float u, v;
};
constexpr DWORD kTLFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

inline TLVertex V(float x, float y, uint32_t color = 0xFFFFFFFFu, float u = 0, float v = 0) {
    return TLVertex{x, y, 0.0f, 1.0f, color, u, v};
}

class DeviceTest : public ::testing::Test {
protected:
    void SetUp() override { Open(16, 16, D3DFMT_X8R8G8B8); }
    void TearDown() override { Close(); }

    void Open(UINT width, UINT height, D3DFORMAT format) {
        ResetD3D9Host();
        ResetDesktop();
        d3d = Direct3DCreate9(D3D_SDK_VERSION);
        ASSERT_NE(d3d, nullptr);
        D3DPRESENT_PARAMETERS pp;
        pp.BackBufferWidth = width;
        pp.BackBufferHeight = height;
        pp.BackBufferFormat = format;
        pp.BackBufferCount = 1;
        pp.SwapEffect = D3DSWAPEFFECT_COPY;
        pp.Windowed = 1;
        pp.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
        ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &dev), D3D_OK);
        ASSERT_EQ(dev->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
        dev->SetFVF(kTLFvf);
        dev->SetRenderState(D3DRS_LIGHTING, 0);
        dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        ASSERT_EQ(dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3D_OK);
    }
    void Close() {
        if (back) back->Release();
        if (dev) dev->Release();
        if (d3d) d3d->Release();
        back = nullptr;
        dev = nullptr;
        d3d = nullptr;
        ResetD3D9Host();
    }

    uint32_t Pixel(int x, int y) {
        D3DLOCKED_RECT lr;
        EXPECT_EQ(back->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
        uint32_t v = 0;
        if (back->Format() == D3DFMT_X8R8G8B8 || back->Format() == D3DFMT_A8R8G8B8)
            std::memcpy(&v, static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch + x * 4, 4);
        else
            std::memcpy(&v, static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch + x * 2, 2);
        back->UnlockRect();
        return v;
    }
    // The rows of the back buffer as strings: '#' where the pixel equals `on`, '.' elsewhere.
    std::vector<std::string> Mask(uint32_t on, int width, int height) {
        std::vector<std::string> rows;
        for (int y = 0; y < height; ++y) {
            std::string row;
            for (int x = 0; x < width; ++x) row += Pixel(x, y) == on ? '#' : '.';
            rows.push_back(row);
        }
        return rows;
    }
    HRESULT Draw(D3DPRIMITIVETYPE type, UINT count, const TLVertex* v) {
        dev->BeginScene();
        const HRESULT hr = dev->DrawPrimitiveUP(type, count, v, sizeof(TLVertex));
        dev->EndScene();
        return hr;
    }
    // A managed A8R8G8B8 texture filled from `texels` (row by row).
    Texture* MakeTexture(UINT width, UINT height, const std::vector<uint32_t>& texels,
                         D3DFORMAT format = D3DFMT_A8R8G8B8) {
        Texture* tex = nullptr;
        EXPECT_EQ(dev->CreateTexture(width, height, 1, 0, format, D3DPOOL_MANAGED, &tex), D3D_OK);
        D3DLOCKED_RECT lr;
        EXPECT_EQ(tex->LockRect(0, &lr, nullptr, 0), D3D_OK);
        for (UINT y = 0; y < height; ++y)
            std::memcpy(static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch, &texels[y * width], width * 4);
        tex->UnlockRect(0);
        return tex;
    }
    // Two triangles covering (x0, y0)-(x1, y1) with texture corners (u0, v0)-(u1, v1).
    void Quad(TLVertex out[6], float x0, float y0, float x1, float y1, uint32_t color, float u0 = 0, float v0 = 0,
              float u1 = 1, float v1 = 1) {
        out[0] = V(x0, y0, color, u0, v0);
        out[1] = V(x1, y0, color, u1, v0);
        out[2] = V(x0, y1, color, u0, v1);
        out[3] = V(x1, y1, color, u1, v1);
        out[4] = V(x0, y1, color, u0, v1);
        out[5] = V(x1, y0, color, u1, v0);
    }
    void UseTextureOnly() {
        dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        dev->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        dev->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
        dev->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
        dev->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
    }
    void UseDiffuseOnly() {
        dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
        dev->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
        dev->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
        dev->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    }

    Direct3D9* d3d = nullptr;
    Device* dev = nullptr;
    Surface* back = nullptr;
};

// The device's objects and rules, whose tests are spread over the device_*_test.cpp files
// by concern: one suite needs one fixture type across them.
class ObjectsTest : public DeviceTest {};

}  // namespace host::test
