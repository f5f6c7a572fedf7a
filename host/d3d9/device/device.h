// The software device: resources, states stored and read back, clears and copies,
// drawing through the rasteriser, and presentation to the window layer's hook.
#pragma once
#include <array>
#include <memory>
#include <vector>

#include "host/d3d9/device/d3d9_types.h"
#include "host/d3d9/device/draw_state.h"
#include "host/d3d9/vertex/primitive_assembly.h"
#include "host/d3d9/raster/raster_shader.h"
#include "host/d3d9/vertex/vertex_pipeline.h"
#include "host/d3d9/vertex/ff_vertex.h"
#include "host/d3d9/resources/resources.h"
#include "host/d3d9/shader/shader_objects.h"
#include "host/d3d9/device/state_block.h"
#include "host/d3d9/resources/cube_texture.h"
#include "host/d3d9/resources/volume_texture.h"

namespace host {

// Sampler slots: the pixel samplers 0 to 15, then the displacement map's and the four of
// the vertex stage (D3DDMAPSAMPLER and D3DVERTEXTEXTURESAMPLER0 to 3).
constexpr DWORD kSamplerSlots = kMaxSamplers + 5;
constexpr DWORD SamplerSlot(DWORD sampler) {
    if (sampler < DWORD(kMaxSamplers)) return sampler;
    if (sampler >= D3DDMAPSAMPLER && sampler <= D3DVERTEXTEXTURESAMPLER3) return kMaxSamplers + (sampler - D3DDMAPSAMPLER);
    return kSamplerSlots;  // none
}

class Device;

class SwapChain : public Unknown {
public:
    SwapChain(Device* device, Surface* backBuffer, const D3DPRESENT_PARAMETERS& params);
    ~SwapChain() override;
    HRESULT Present(const RECT* source, const RECT* dest, HWND window, const void* dirtyRegion, DWORD flags);
    HRESULT GetBackBuffer(UINT index, D3DBACKBUFFER_TYPE type, Surface** surface);
    HRESULT GetRasterStatus(D3DRASTER_STATUS* status);
    HRESULT GetPresentParameters(D3DPRESENT_PARAMETERS* params) const;
    HRESULT GetDisplayMode(D3DDISPLAYMODE* mode) const;

    // The device going away or being reset leaves the swap chain without one.
    void Detach() { device_ = nullptr; }
    Surface* BackBuffer() const { return backBuffer_; }

private:
    void WaitForPresentationInterval() const;
    Device* device_;
    Surface* backBuffer_;
    D3DPRESENT_PARAMETERS params_;
    uint64_t rasterCalls_ = 0;
    std::vector<uint32_t> solidRow_;  // the one row a cleared, undrawn frame is shown from
    std::vector<uint8_t> resolved_;   // a multisampled back buffer's samples averaged
};

enum class DeviceLoss { None, Lost, NotReset };

class Device : public Unknown {
public:
    // Made by the Direct3D object; `ex` for devices made through the Ex entry.
    static HRESULT Create(const D3DPRESENT_PARAMETERS& params, HWND window, DWORD behaviour, bool ex,
                          Device** out);
    ~Device() override;

    // Lifetime and presentation.
    HRESULT TestCooperativeLevel();
    HRESULT Reset(D3DPRESENT_PARAMETERS* params);
    HRESULT Present(const RECT* source, const RECT* dest, HWND window, const void* dirtyRegion);
    HRESULT GetBackBuffer(UINT swapChain, UINT index, D3DBACKBUFFER_TYPE type, Surface** surface);
    HRESULT GetSwapChain(UINT index, SwapChain** swapChain);
    HRESULT GetRasterStatus(UINT swapChain, D3DRASTER_STATUS* status);
    HRESULT GetDeviceCaps(D3DCAPS9* caps) const;
    HRESULT GetDisplayMode(UINT swapChain, D3DDISPLAYMODE* mode) const;
    HRESULT BeginScene();
    HRESULT EndScene();
    HRESULT SetDialogBoxMode(BOOL enable);
    HRESULT SetMaximumFrameLatency(UINT latency);
    HRESULT GetMaximumFrameLatency(UINT* latency) const;
    bool IsEx() const { return ex_; }

    // Resources.
    HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                          Texture** texture, void* sharedHandle = nullptr);
    HRESULT CreateRenderTarget(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample,
                               DWORD quality, BOOL lockable, Surface** surface, void* sharedHandle = nullptr);
    HRESULT CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample,
                                      DWORD quality, BOOL discard, Surface** surface, void* sharedHandle = nullptr);
    HRESULT CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool, Surface** surface,
                                        void* sharedHandle = nullptr);
    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool, VertexBuffer** buffer,
                               void* sharedHandle = nullptr);
    HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool, IndexBuffer** buffer,
                              void* sharedHandle = nullptr);
    // Volume textures need the volume-map capability (shader model 2 devices).
    HRESULT CreateVolumeTexture(UINT width, UINT height, UINT depth, UINT levels, DWORD usage, D3DFORMAT format,
                                D3DPOOL pool, VolumeTexture** texture, void* sharedHandle = nullptr);
    HRESULT CreateCubeTexture(UINT edge, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              CubeTexture** texture, void* sharedHandle = nullptr);

    // Targets.
    HRESULT SetRenderTarget(DWORD index, Surface* surface);
    HRESULT GetRenderTarget(DWORD index, Surface** surface);
    HRESULT SetDepthStencilSurface(Surface* surface);
    HRESULT GetDepthStencilSurface(Surface** surface);

    // Copies and fills.
    HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil);
    HRESULT ColorFill(Surface* surface, const RECT* rect, D3DCOLOR color);
    HRESULT StretchRect(Surface* source, const RECT* sourceRect, Surface* dest, const RECT* destRect,
                        D3DTEXTUREFILTERTYPE filter);
    HRESULT UpdateSurface(Surface* source, const RECT* sourceRect, Surface* dest, const POINT* destPoint);
    HRESULT UpdateTexture(Texture* source, Texture* dest);
    HRESULT UpdateTexture(VolumeTexture* source, VolumeTexture* dest);
    HRESULT UpdateTexture(CubeTexture* source, CubeTexture* dest);
    HRESULT GetRenderTargetData(Surface* renderTarget, Surface* dest);

    // States, stored and read back.
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value);
    HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) const;
    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value);
    HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) const;
    HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value);
    HRESULT GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) const;
    // Until EndStateBlock the three setters above store into a new block (state_block.h)
    // instead of the device; EndStateBlock hands the block over with its reference.
    HRESULT BeginStateBlock();
    HRESULT EndStateBlock(StateBlock** block);
    // A stage takes a 2D, cube or volume texture.
    HRESULT SetTexture(DWORD stage, BaseTexture* texture);
    HRESULT GetTexture(DWORD stage, BaseTexture** texture);
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix);
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) const;
    HRESULT SetViewport(const D3DVIEWPORT9* viewport);
    HRESULT GetViewport(D3DVIEWPORT9* viewport) const;
    HRESULT SetScissorRect(const RECT* rect);
    HRESULT GetScissorRect(RECT* rect) const;
    HRESULT SetMaterial(const D3DMATERIAL9* material);
    HRESULT GetMaterial(D3DMATERIAL9* material) const;
    HRESULT SetLight(DWORD index, const D3DLIGHT9* light);
    HRESULT GetLight(DWORD index, D3DLIGHT9* light) const;
    HRESULT LightEnable(DWORD index, BOOL enable);
    HRESULT GetLightEnable(DWORD index, BOOL* enable) const;
    HRESULT SetFVF(DWORD fvf);
    HRESULT GetFVF(DWORD* fvf) const;
    // Shaders and declarations (device_shaders.cpp), run by the draws (device_draw_shader.cpp).
    // The code's token stream must end within `bytes` (the platform's call reads to the end
    // token however far that is; this one is told where the caller's code ends).
    HRESULT CreateVertexShader(const DWORD* function, size_t bytes, VertexShader** shader);
    HRESULT CreatePixelShader(const DWORD* function, size_t bytes, PixelShader** shader);
    HRESULT CreateVertexDeclaration(const D3DVERTEXELEMENT9* elements, VertexDeclaration** declaration);
    HRESULT SetVertexShader(VertexShader* shader);
    HRESULT SetPixelShader(PixelShader* shader);
    HRESULT GetVertexShader(VertexShader** shader);
    HRESULT GetPixelShader(PixelShader** shader);
    HRESULT SetVertexDeclaration(VertexDeclaration* declaration);
    HRESULT GetVertexDeclaration(VertexDeclaration** declaration);
    HRESULT SetVertexShaderConstantF(UINT start, const float* data, UINT count);
    HRESULT GetVertexShaderConstantF(UINT start, float* data, UINT count) const;
    HRESULT SetVertexShaderConstantB(UINT start, const BOOL* data, UINT count);
    HRESULT GetVertexShaderConstantB(UINT start, BOOL* data, UINT count) const;
    HRESULT SetVertexShaderConstantI(UINT start, const int* data, UINT count);
    HRESULT GetVertexShaderConstantI(UINT start, int* data, UINT count) const;
    HRESULT SetPixelShaderConstantF(UINT start, const float* data, UINT count);
    HRESULT GetPixelShaderConstantF(UINT start, float* data, UINT count) const;
    HRESULT SetPixelShaderConstantI(UINT start, const int* data, UINT count);
    HRESULT GetPixelShaderConstantI(UINT start, int* data, UINT count) const;
    HRESULT SetPixelShaderConstantB(UINT start, const BOOL* data, UINT count);
    HRESULT GetPixelShaderConstantB(UINT start, BOOL* data, UINT count) const;

    // Drawing.
    HRESULT SetStreamSource(UINT stream, VertexBuffer* buffer, UINT offset, UINT stride);
    HRESULT SetIndices(IndexBuffer* buffer);
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount);
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, int32_t baseVertex, UINT minIndex, UINT numVertices,
                                 UINT startIndex, UINT primitiveCount);
    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void* vertices, UINT stride);
    HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minIndex, UINT numVertices, UINT primitiveCount,
                                   const void* indices, D3DFORMAT indexFormat, const void* vertices, UINT stride);

    // Tests: the device is lost (as when another program takes the screen) and later
    // may be reset.
    void SimulateDeviceLost();
    void SimulateFocusRegained();


private:
    Device(const D3DPRESENT_PARAMETERS& params, HWND window, bool ex);
    friend class SwapChain;
    friend class StateBlock;

    void ResetStates();
    void GiveBackDisplayMode();
    HRESULT MakeSwapChain(const D3DPRESENT_PARAMETERS& params);
    void ReleaseBindings();
    void ReleaseShaderBindings();
    // `prepares`: the draw goes where every writer prepares the pixels it touches
    // (DrawsAsList), so pending pixels of the target may stay pending.
    bool BuildDrawState(DrawState* state, bool prepares = false);
    void FillTargetState(Surface* target, bool prepares, DrawState* state) const;
    void FillStages(DrawState* state) const;
    // Whether a draw goes to the pre-transformed triangle list's rasteriser.
    bool DrawsAsList(const FvfLayout& layout, D3DPRIMITIVETYPE type, const IndexList& index) const;
    // `sampler` is a slot (SamplerSlot).
    void FillSampler(int sampler, bool withTexture, StageSampler* out) const;
    UINT PixelConstantCount() const;
    // The bound vertex shader run over a draw's vertices; false (logged) when it cannot be,
    // or when the draw's time ran out (the device is then lost, and the draw gives D3D_OK as
    // a lost device's draws do).
    bool RunVertexShader(const VertexStreams& streams, UINT count, std::vector<ShadedVertex>* out);
    // Whether the watchdog has ended the draw; the first time, the device is lost (logged).
    bool AbandonedByWatchdog();
    HRESULT DrawWithPixelShader(const DrawState& st, const FvfLayout& layout, D3DPRIMITIVETYPE type,
                                UINT primitiveCount, const VertexStreams& streams, UINT vertexCount,
                                const IndexList& index);
    // The fixed-function vertex stage (device_vertex_stage.cpp): whether it lights this
    // draw's vertices, and its set-up for untransformed vertices of `layout`.
    bool LightsVertices() const;
    // Where the fixed-function pipeline finds a vertex's parts: the vertex declaration's
    // layout when one is set, else the FVF's.
    const FvfLayout& VertexLayout() const;
    void BuildVertexStage(const FvfLayout& layout, FixedVertexStage* stage) const;
    // Untransformed vertices through `wvp` and the vertex stage into `out`; true when the
    // stage put each texture stage's coordinates in the set of the stage's number, and
    // then `projected` (when given) marks the stages to divide at each pixel.
    bool FetchUntransformed(const FvfLayout& layout, const VertexStreams& streams, UINT count, const D3DMATRIX& wvp,
                            std::vector<ClipVertex>* out, uint32_t* projected = nullptr) const;
    // The draw's vertices in each stream from vertex `first` of the vertex buffers on
    // (`count` of them), leaving out streams that cannot give them all.
    void GatherStreams(int64_t first, UINT count, VertexStreams* out) const;
    // `vertices` and `stride` give stream 0 of a draw from the caller's memory (`first`
    // -1); otherwise the vertices are read from the vertex buffers from vertex `first` on.
    HRESULT Draw(D3DPRIMITIVETYPE type, UINT primitiveCount, const uint8_t* vertices, UINT vertexCount,
                 UINT stride, int64_t first, const void* indices, D3DFORMAT indexFormat, int32_t baseVertex);
    // One pass of a draw over the planes the draw state points at.
    HRESULT DrawPrimitives(DrawState& st, const FvfLayout& layout, D3DPRIMITIVETYPE type, UINT primitiveCount,
                           const VertexStreams& streams, UINT vertexCount, const IndexList& index);
    HRESULT PresentBackBuffer(const RECT* source, const RECT* dest, HWND window);

    std::shared_ptr<DeviceCore> core_ = std::make_shared<DeviceCore>();
    bool ex_;
    HWND window_;
    D3DPRESENT_PARAMETERS params_;
    DeviceLoss loss_ = DeviceLoss::None;
    bool inScene_ = false;
    bool ownsDisplayMode_ = false;
    UINT frameLatency_ = 3;

    SwapChain* swapChain_ = nullptr;
    Surface* renderTarget_ = nullptr;
    Surface* depthStencil_ = nullptr;
    BaseTexture* textures_[kSamplerSlots] = {};
    VertexBuffer* stream_ = nullptr;
    UINT streamOffset_ = 0, streamStride_ = 0;
    // Streams 1 to 15: read only through a vertex declaration.
    struct StreamSource {
        VertexBuffer* buffer = nullptr;
        UINT offset = 0, stride = 0;
    };
    std::array<StreamSource, 15> moreStreams_;
    IndexBuffer* indices_ = nullptr;
    VertexShader* vertexShader_ = nullptr;
    PixelShader* pixelShader_ = nullptr;
    VertexDeclaration* declaration_ = nullptr;

    std::array<DWORD, kRenderStateCount> renderStates_{};
    DWORD stageStates_[kMaxStages][kTextureStageStateCount] = {};
    DWORD samplerStates_[kSamplerSlots][kSamplerStateCount] = {};
    StateBlock* recording_ = nullptr;  // the block being recorded, if any
    D3DMATRIX world_, view_, projection_, textureMatrices_[kMaxStages];
    D3DVIEWPORT9 viewport_;
    RECT scissor_;
    D3DMATERIAL9 material_;
    std::vector<D3DLIGHT9> lights_;
    std::vector<BOOL> lightEnabled_;
    DWORD fvf_ = 0;
    // The layouts of the two FVFs decoded last, and which was used last (see VertexLayout).
    mutable std::array<std::pair<DWORD, FvfLayout>, 2> fvfLayouts_{};
    mutable int lastFvfLayout_ = 0;
    std::vector<float> vsConstF_ = std::vector<float>(256 * 4, 0.0f);
    std::vector<BOOL> vsConstB_ = std::vector<BOOL>(16, 0);
    std::vector<float> psConstF_ = std::vector<float>(size_t(kPixel30Consts) * 4, 0.0f);
    std::vector<int> vsConstI_ = std::vector<int>(16 * 4, 0), psConstI_ = std::vector<int>(16 * 4, 0);
    std::vector<BOOL> psConstB_ = std::vector<BOOL>(16, 0);
    std::vector<ScreenVertex> screenVertices_;
    // The watch over the current draw's shaders.
    DrawWatchdog watchdog_;
};

// The colour 0xAARRGGBB from its parts, as the platform's macro.
constexpr D3DCOLOR D3DCOLOR_ARGB(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    return (a & 255) << 24 | (r & 255) << 16 | (g & 255) << 8 | (b & 255);
}
constexpr D3DCOLOR D3DCOLOR_XRGB(uint32_t r, uint32_t g, uint32_t b) { return D3DCOLOR_ARGB(255, r, g, b); }

D3DMATRIX IdentityMatrix();

}  // namespace host
