// The device's shader interpreter against its fixed-function path on the same work: 500
// alpha-blended, textured 32 x 32 sprites on a 640 x 480 target per frame, drawn with the
// texture stages (texture times diffuse, the fast spans), with the shader pack's pixel
// shader (the same product) after the fixed-function vertex stage, and with the pack's
// vertex and pixel shaders, and with a ps_2_x program computing the same product that
// also takes a derivative, so it runs on 2x2 quads with helper pixels. All four give the
// same pixels; the ratio of their frame times is the interpreter's cost (pixel code without
// derivatives runs in rows of lanes), and the last two pixel paths' ratio the cost of
// running in quads, pixel by pixel.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "host/d3d9/device/d3d9_host.h"
#include "host/d3d9/device/device.h"
#include "host/d3d9/device/direct3d9.h"
#include "host/win/window/desktop.h"
#include "host/d3d9/shader/shader_program.h"
#include "tools/shader_pack/shader_pack.h"
#include "tools/shader_pack/shader_tokens.h"

namespace {

constexpr int kWidth = 640, kHeight = 480, kSprites = 500, kSide = 32;

enum class Path { FixedFunction, PixelShader, BothShaders, QuadPixelShader };

// texld r0, t0, s0; dsx r1, t0 (unused but for running in quads); oC0 = r0 * v0.
std::vector<uint32_t> QuadProductShader() {
    using namespace shaderpack;
    return TokenWriter(0xFFFF0201u)
        .DclPixelInput(kTexture, 0)
        .DclPixelInput(kInput, 0)
        .DclSampler2D(0)
        .Op(kTexld, {Dest(kTemp, 0), Src(kTexture, 0), Src(kSampler, 0)})
        .Op(host::kOpDsx, {Dest(kTemp, 1), Src(kTexture, 0)})
        .Op(kMul, {Dest(kColorOut, 0), Src(kTemp, 0), Src(kInput, 0)})
        .End();
}

struct TLVertex {
    float x, y, z, rhw;
    uint32_t colour;
    float u, v;
};
struct ClipVertex {
    float x, y, z;
    uint32_t colour;
    float u, v;
};

class SpriteFrame {
public:
    explicit SpriteFrame(Path path) : path_(path) {
        host::ResetD3D9Host();
        host::ResetDesktop();
        // The watchdog's clock held still: under a slow tool (callgrind, a sanitizer build)
        // a frame's draw works past the watchdog's time, and an abandoned frame would be
        // measured as a cheap one.
        host::D3D9Settings().drawClock = [] { return int64_t(0); };
        d3d_ = host::Direct3DCreate9(host::D3D_SDK_VERSION);
        host::D3DPRESENT_PARAMETERS pp;
        pp.BackBufferWidth = kWidth;
        pp.BackBufferHeight = kHeight;
        pp.BackBufferFormat = host::D3DFMT_X8R8G8B8;
        pp.BackBufferCount = 1;
        pp.SwapEffect = host::D3DSWAPEFFECT_COPY;
        pp.Windowed = 1;
        pp.Flags = host::D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
        if (!d3d_ || d3d_->CreateDevice(0, host::D3DDEVTYPE_HAL, nullptr, host::D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                                        &pp, &dev_) != host::D3D_OK)
            std::abort();
        MakeTexture();
        dev_->SetRenderState(host::D3DRS_LIGHTING, 0);
        dev_->SetRenderState(host::D3DRS_CULLMODE, host::D3DCULL_NONE);
        dev_->SetRenderState(host::D3DRS_ALPHABLENDENABLE, 1);
        dev_->SetRenderState(host::D3DRS_SRCBLEND, host::D3DBLEND_SRCALPHA);
        dev_->SetRenderState(host::D3DRS_DESTBLEND, host::D3DBLEND_INVSRCALPHA);
        dev_->SetSamplerState(0, host::D3DSAMP_ADDRESSU, host::D3DTADDRESS_CLAMP);
        dev_->SetSamplerState(0, host::D3DSAMP_ADDRESSV, host::D3DTADDRESS_CLAMP);
        for (const shaderpack::PackBlob& b : shaderpack::ShaderPackBlobs()) {
            if (b.vertex && path == Path::BothShaders)
                dev_->CreateVertexShader(b.tokens.data(), b.tokens.size() * 4, &vs_);
            if (!b.vertex && (path == Path::PixelShader || path == Path::BothShaders))
                dev_->CreatePixelShader(b.tokens.data(), b.tokens.size() * 4, &ps_);
        }
        if (path == Path::QuadPixelShader) {
            const std::vector<uint32_t> code = QuadProductShader();
            dev_->CreatePixelShader(code.data(), code.size() * 4, &ps_);
        }
        dev_->SetVertexShader(vs_);
        dev_->SetPixelShader(ps_);
        Place();
    }
    ~SpriteFrame() {
        dev_->SetVertexShader(nullptr);
        dev_->SetPixelShader(nullptr);
        dev_->SetTexture(0, nullptr);
        if (vs_) vs_->Release();
        if (ps_) ps_->Release();
        texture_->Release();
        dev_->Release();
        d3d_->Release();
    }
    void Draw() {
        dev_->Clear(0, nullptr, host::D3DCLEAR_TARGET, 0xFF203040u, 1.0f, 0);
        dev_->BeginScene();
        if (path_ == Path::BothShaders) {
            dev_->SetFVF(host::D3DFVF_XYZ | host::D3DFVF_DIFFUSE | host::D3DFVF_TEX1);
            dev_->DrawPrimitiveUP(host::D3DPT_TRIANGLELIST, kSprites * 2, clip_.data(), sizeof(ClipVertex));
        } else {
            dev_->SetFVF(host::D3DFVF_XYZRHW | host::D3DFVF_DIFFUSE | host::D3DFVF_TEX1);
            dev_->DrawPrimitiveUP(host::D3DPT_TRIANGLELIST, kSprites * 2, screen_.data(), sizeof(TLVertex));
        }
        dev_->EndScene();
    }
    bool Whole() { return dev_->TestCooperativeLevel() == host::D3D_OK; }
    // A sum over the back buffer, to see that every path drew the same frame.
    uint64_t Checksum() {
        host::Surface* back = nullptr;
        dev_->GetBackBuffer(0, 0, host::D3DBACKBUFFER_TYPE_MONO, &back);
        host::D3DLOCKED_RECT lr;
        back->LockRect(&lr, nullptr, host::D3DLOCK_READONLY);
        uint64_t sum = 0;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                uint32_t p;
                std::memcpy(&p, static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch + x * 4, 4);
                sum = sum * 31 + (p & 0xFFFFFF);
            }
        back->UnlockRect();
        back->Release();
        return sum;
    }

private:
    void MakeTexture() {
        dev_->CreateTexture(kSide, kSide, 1, 0, host::D3DFMT_A8R8G8B8, host::D3DPOOL_MANAGED, &texture_);
        host::D3DLOCKED_RECT lr;
        texture_->LockRect(0, &lr, nullptr, 0);
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x) {
                const uint32_t a = (x == 0 || y == 0 || x == kSide - 1 || y == kSide - 1) ? 0 : 255;
                const uint32_t c = a << 24 | uint32_t(x * 8) << 16 | uint32_t(y * 8) << 8 | 0x80;
                std::memcpy(static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch + x * 4, &c, 4);
            }
        texture_->UnlockRect(0);
        dev_->SetTexture(0, texture_);
    }
    // The same sprites as screen vertices and as clip-space vertices.
    void Place() {
        uint32_t seed = 12345;
        for (int i = 0; i < kSprites; ++i) {
            seed = seed * 1103515245u + 12345u;
            const float x0 = float(int(seed >> 8) % (kWidth - kSide));
            seed = seed * 1103515245u + 12345u;
            const float y0 = float(int(seed >> 8) % (kHeight - kSide));
            const float xs[6] = {x0, x0 + kSide, x0, x0 + kSide, x0 + kSide, x0};
            const float ys[6] = {y0, y0, y0 + kSide, y0, y0 + kSide, y0 + kSide};
            for (int k = 0; k < 6; ++k) {
                const float u = xs[k] == x0 ? 0.0f : 1.0f, v = ys[k] == y0 ? 0.0f : 1.0f;
                screen_.push_back({xs[k], ys[k], 0, 1, 0xFFFFFFFFu, u, v});
                clip_.push_back({xs[k] / kWidth * 2 - 1, 1 - ys[k] / kHeight * 2, 0, 0xFFFFFFFFu, u, v});
            }
        }
    }

    Path path_;
    host::Direct3D9* d3d_ = nullptr;
    host::Device* dev_ = nullptr;
    host::Texture* texture_ = nullptr;
    host::VertexShader* vs_ = nullptr;
    host::PixelShader* ps_ = nullptr;
    std::vector<TLVertex> screen_;
    std::vector<ClipVertex> clip_;
};

void BM_Sprites(benchmark::State& state, Path path) {
    SpriteFrame frame(path);
    for (auto _ : state) frame.Draw();
    if (!frame.Whole()) state.SkipWithError("the device was lost: a draw was abandoned");
    state.counters["frame"] = double(frame.Checksum() % 1000000);
    state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    // Seconds per sprite pixel drawn (overlaps counted), the figure to set against the
    // fixed-function path's.
    state.counters["per_pixel"] = benchmark::Counter(double(state.iterations()) * kSprites * kSide * kSide,
                                                     benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

BENCHMARK_CAPTURE(BM_Sprites, fixed_function, Path::FixedFunction)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Sprites, pixel_shader, Path::PixelShader)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Sprites, vertex_and_pixel_shaders, Path::BothShaders)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Sprites, pixel_shader_in_quads, Path::QuadPixelShader)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
