// A device drawing from vertex declarations: declarations and vertex buffers made for a
// test and released after it, and the debugger output captured.
#pragma once
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "device_fixture.h"
#include "host/debug_output.h"

namespace host::test {

class DeclarationTest : public DeviceTest {
protected:
    void SetUp() override {
        Open(16, 16, D3DFMT_A8R8G8B8);
        SetDebugOutputSink(&Capture, this);
    }
    void TearDown() override {
        SetDebugOutputSink(nullptr, nullptr);
        dev->SetVertexDeclaration(nullptr);
        for (UINT s = 0; s < 16; ++s) dev->SetStreamSource(s, nullptr, 0, 0);
        dev->SetIndices(nullptr);
        for (int s = 0; s < 8; ++s) dev->SetTexture(DWORD(s), nullptr);
        for (Unknown* u : made) u->Release();
        Close();
    }
    // A declaration of `elements` (the end marker is added), released after the test.
    VertexDeclaration* Declare(std::initializer_list<D3DVERTEXELEMENT9> elements) {
        std::vector<D3DVERTEXELEMENT9> list(elements);
        list.push_back(D3DDECL_END());
        VertexDeclaration* decl = nullptr;
        EXPECT_EQ(dev->CreateVertexDeclaration(list.data(), &decl), D3D_OK) << log;
        if (decl) made.push_back(decl);
        return decl;
    }
    VertexBuffer* Buffer(const void* data, UINT bytes) {
        VertexBuffer* vb = nullptr;
        EXPECT_EQ(dev->CreateVertexBuffer(bytes, 0, 0, D3DPOOL_MANAGED, &vb), D3D_OK);
        void* p = nullptr;
        EXPECT_EQ(vb->Lock(0, bytes, &p, 0), D3D_OK);
        std::memcpy(p, data, bytes);
        vb->Unlock();
        made.push_back(vb);
        return vb;
    }
    // A 4 x 4 texture whose texel (x, y) tells its place: red 64x, green 64y.
    void BindPlaceTexture(DWORD stage = 0) {
        std::vector<uint32_t> texels;
        for (uint32_t y = 0; y < 4; ++y)
            for (uint32_t x = 0; x < 4; ++x) texels.push_back(0xFF000011u | x * 64 << 16 | y * 64 << 8);
        Texture* tex = MakeTexture(4, 4, texels);
        made.push_back(tex);
        dev->SetTexture(stage, tex);
    }
    static uint32_t PlaceTexel(int x, int y) { return 0xFF000011u | uint32_t(x * 64) << 16 | uint32_t(y * 64) << 8; }
    std::vector<uint32_t> Image() {
        std::vector<uint32_t> out;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) out.push_back(Pixel(x, y));
        return out;
    }
    HRESULT DrawUp(D3DPRIMITIVETYPE type, UINT count, const void* vertices, UINT stride) {
        dev->BeginScene();
        const HRESULT hr = dev->DrawPrimitiveUP(type, count, vertices, stride);
        dev->EndScene();
        return hr;
    }
    static void Capture(const char* text, void* self) { static_cast<DeclarationTest*>(self)->log += text; }

    std::string log;
    std::vector<Unknown*> made;
};

}  // namespace host::test
