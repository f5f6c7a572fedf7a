// The engine's use of state blocks: a fixed group of render, texture stage and sampler
// states (the size of the mask composite's) recorded once, then captured before a draw
// and applied around it. The time of one capture and two applies is what each draw pays.
#include <benchmark/benchmark.h>

#include "host/d3d9/device/d3d9_host.h"
#include "host/d3d9/device/device.h"
#include "host/d3d9/device/direct3d9.h"
#include "host/win/window/desktop.h"

namespace {

using namespace host;

class Blocks {
public:
    Blocks() {
        ResetD3D9Host();
        ResetDesktop();
        d3d_ = Direct3DCreate9(D3D_SDK_VERSION);
        D3DPRESENT_PARAMETERS pp;
        pp.BackBufferWidth = pp.BackBufferHeight = 64;
        pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        pp.BackBufferCount = 1;
        pp.SwapEffect = D3DSWAPEFFECT_COPY;
        pp.Windowed = 1;
        d3d_->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &dev_);
        kept_ = Record();
        set_ = Record();
    }
    ~Blocks() {
        kept_->Release();
        set_->Release();
        dev_->Release();
        d3d_->Release();
    }
    void Draw() {
        kept_->Capture();
        set_->Apply();
        kept_->Apply();
    }

private:
    StateBlock* Record() {
        StateBlock* block = nullptr;
        dev_->BeginStateBlock();
        const std::pair<D3DRENDERSTATETYPE, DWORD> states[] = {
            {D3DRS_ALPHABLENDENABLE, 1}, {D3DRS_SRCBLEND, D3DBLEND_SRCALPHA}, {D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA},
            {D3DRS_ALPHATESTENABLE, 1},  {D3DRS_ALPHAREF, 1},                 {D3DRS_ZENABLE, 0}};
        for (const auto& [state, value] : states)
            dev_->SetRenderState(state, value);
        for (DWORD stage = 0; stage < 2; ++stage) {
            dev_->SetTextureStageState(stage, D3DTSS_COLOROP, D3DTOP_MODULATE);
            dev_->SetTextureStageState(stage, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
            dev_->SetSamplerState(stage, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
            dev_->SetSamplerState(stage, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
        }
        dev_->EndStateBlock(&block);
        return block;
    }
    Direct3D9* d3d_ = nullptr;
    Device* dev_ = nullptr;
    StateBlock *kept_ = nullptr, *set_ = nullptr;
};

void BM_StateBlockAroundDraw(benchmark::State& state) {
    Blocks blocks;
    for (auto _ : state) blocks.Draw();
}
BENCHMARK(BM_StateBlockAroundDraw);

}  // namespace

BENCHMARK_MAIN();
