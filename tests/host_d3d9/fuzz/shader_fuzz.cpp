// Shader code and constants from outside bytes: the device decodes both programs, and
// whatever it accepts draws triangles, a line and a point through them on a small target
// with a texture bound and fog on, with the constant registers the input gives. Nothing
// may read or write outside its register file, hang, or crash, whatever the code and
// constants.
#include <algorithm>

#include "host/d3d9/device/d3d9_host.h"
#include "host/d3d9/device/device.h"
#include "host/d3d9/device/direct3d9.h"
#include "host/win/window/desktop.h"
#include "tests/host_d3d9/fuzz/shader_input.h"

namespace {

struct Vertex {
    float x, y, z;
    uint32_t color;
    float u, v;
};

// The device made once for the whole run (and kept, with its Direct3D object, until the
// process ends), with a texture on samplers 0 and 1 and the first vertex sampler.
host::Direct3D9* g_d3d = nullptr;

host::Device* SharedDevice() {
    static host::Device* device = [] {
        host::ResetD3D9Host();
        host::ResetDesktop();
        host::D3D9Settings().shaderModel = 3;
        host::Direct3D9*& d3d = g_d3d;
        d3d = host::Direct3DCreate9(host::D3D_SDK_VERSION);
        host::D3DPRESENT_PARAMETERS pp;
        pp.BackBufferWidth = pp.BackBufferHeight = 8;
        pp.BackBufferFormat = host::D3DFMT_X8R8G8B8;
        pp.BackBufferCount = 1;
        pp.SwapEffect = host::D3DSWAPEFFECT_COPY;
        pp.Windowed = 1;
        host::Device* dev = nullptr;
        if (!d3d || d3d->CreateDevice(0, host::D3DDEVTYPE_HAL, nullptr, host::D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                                      &pp, &dev) != host::D3D_OK)
            std::abort();
        host::Texture* tex = nullptr;
        dev->CreateTexture(4, 4, 0, 0, host::D3DFMT_A8R8G8B8, host::D3DPOOL_MANAGED, &tex);
        dev->SetTexture(0, tex);
        dev->SetTexture(1, tex);
        dev->SetTexture(host::D3DVERTEXTEXTURESAMPLER0, tex);
        dev->SetSamplerState(1, host::D3DSAMP_MIPFILTER, host::D3DTEXF_LINEAR);
        dev->SetSamplerState(1, host::D3DSAMP_MINFILTER, host::D3DTEXF_LINEAR);
        tex->Release();
        dev->SetRenderState(host::D3DRS_CULLMODE, host::D3DCULL_NONE);
        // Fog blends after either pixel stage, from oFog or the texture stages' vertex factor.
        dev->SetRenderState(host::D3DRS_FOGENABLE, 1);
        dev->SetRenderState(host::D3DRS_FOGCOLOR, 0x00808080u);
        return dev;
    }();
    return device;
}

void SetConstants(host::Device* dev, const std::vector<uint8_t>& bytes) {
    using namespace shaderfuzz;
    std::vector<uint8_t> all(kVertexFloats * 4 + kPixelFloats * 4 + kInts * 4 + kBools * 4, 0);
    std::copy_n(bytes.begin(), std::min(bytes.size(), all.size()), all.begin());
    const uint8_t* p = all.data();
    dev->SetVertexShaderConstantF(0, reinterpret_cast<const float*>(p), kVertexFloats / 4);
    p += kVertexFloats * 4;
    dev->SetPixelShaderConstantF(0, reinterpret_cast<const float*>(p), kPixelFloats / 4);
    p += kPixelFloats * 4;
    dev->SetVertexShaderConstantI(0, reinterpret_cast<const int*>(p), kInts / 4);
    dev->SetPixelShaderConstantI(0, reinterpret_cast<const int*>(p), kInts / 4);
    p += kInts * 4;
    dev->SetVertexShaderConstantB(0, reinterpret_cast<const host::BOOL*>(p), kBools);
    dev->SetPixelShaderConstantB(0, reinterpret_cast<const host::BOOL*>(p), kBools);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 16)) return 0;
    const shaderfuzz::ShaderInput in = shaderfuzz::ReadInput(data, size);
    host::Device* dev = SharedDevice();
    host::VertexShader* vs = nullptr;
    host::PixelShader* ps = nullptr;
    dev->CreateVertexShader(in.vertex.data(), in.vertex.size() * 4, &vs);
    dev->CreatePixelShader(in.pixel.data(), in.pixel.size() * 4, &ps);
    if (!vs && !ps) return 0;
    SetConstants(dev, in.constants);
    dev->SetVertexShader(vs);
    dev->SetPixelShader(ps);
    dev->SetFVF(host::D3DFVF_XYZ | host::D3DFVF_DIFFUSE | host::D3DFVF_TEX1);
    const Vertex v[6] = {{-1, 1, 0.5f, 0xFF336699u, 0, 0},  {1, 1, 0.5f, 0x80FFFFFFu, 1, 0},
                         {-1, -1, 0.2f, 0xFF000000u, 0, 1}, {1, -1, 0.9f, 0xFFFF0000u, 1, 1},
                         {-1, -1, 0.2f, 0xFF000000u, 0, 1}, {1, 1, 0.5f, 0x80FFFFFFu, 1, 0}};
    dev->BeginScene();
    dev->DrawPrimitiveUP(host::D3DPT_TRIANGLELIST, 2, v, sizeof(Vertex));
    dev->DrawPrimitiveUP(host::D3DPT_LINELIST, 1, v, sizeof(Vertex));
    dev->DrawPrimitiveUP(host::D3DPT_POINTLIST, 1, v + 3, sizeof(Vertex));
    dev->EndScene();
    dev->SetVertexShader(nullptr);
    dev->SetPixelShader(nullptr);
    if (vs) vs->Release();
    if (ps) ps->Release();
    return 0;
}
