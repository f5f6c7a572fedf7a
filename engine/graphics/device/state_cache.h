// The render-state cache: every device state graphics changes goes through a setter
// that keeps a shadow copy. An unchanged value costs nothing; a changed one first draws
// the pending vertex batch (built under the old state) and then writes the device. The
// force flag makes setters write unchanged values too, while states are re-applied.
#pragma once
#include <orvik/scene3d.h>
#include <array>
#include <cstdint>

#include "host/d3d9/device/d3d9_types.h"

namespace host {
class Surface;
class Texture;
class VertexShader;
class PixelShader;
}  // namespace host

namespace orvik {

struct Matrix4;

struct DeviceStateCache {
    int32_t force = 0;
    std::array<uint32_t, host::kRenderStateCount> render{};
    std::array<uint8_t, host::kRenderStateCount> renderKnown{};  // the shadow was written
    // Sampler states of stages 0 to 7: address U, V, W, then mag, min, mip filter, anisotropy.
    std::array<std::array<uint32_t, host::kSamplerStateCount>, 8> sampler{};
    std::array<uint32_t, 8> texCoordIndex{};
    // Texture-coordinate transforms of stages 0 to 3: the flags word and the matrix.
    struct TextureTransform {
        uint32_t flags = 0;
        host::D3DMATRIX matrix{};
    };
    std::array<TextureTransform, 4> textureTransform{};
    host::D3DVIEWPORT9 viewport{};
    host::RECT scissor{};
    host::Surface* renderTarget = nullptr;
    host::D3DMATERIAL9 material{};
    // Transforms, with the view's inverse for the shader constants.
    host::D3DMATRIX world{}, view{}, viewInverse{}, projection{};
    // The first eight device lights, mirrored in the shader constants.
    struct LightSlot {
        host::D3DLIGHT9 light{};
        int32_t enabled = 0;
    };
    std::array<LightSlot, 8> lights{};
    uint32_t fvf = 0;
    host::VertexShader* vertexShader = nullptr;
    host::PixelShader* pixelShader = nullptr;
    // Per-draw set-up inputs and their dirty flags.
    host::Texture* drawTexture = nullptr;
    // The blend mask's texture (null: none) with its border and range.
    host::Texture* blendTexture = nullptr;
    int32_t blendBorder = -1, blendRange = -1;
    int32_t blendMode = -1, blendParam = -1;
    int32_t alphaTestFunc = -1, alphaTestRef = -1;
    int32_t textureChanged = 0, setupChanged = 0;
    int32_t stagesInUse = 0;
    // Outputs of the last set-up: the draw is weighted by the blend mask; the draw shows
    // nothing at all (a mask whose border hides every pixel), so the batch is not drawn.
    int32_t maskedDraw = 0, drawsNothing = 0;
    // The texture stages the last set-up bound.
    int32_t boundStages = 0;
    // Counts the writes that changed a shadow; it runs on across device re-creations, so
    // a caller that remembered a count knows whether any shadow changed since.
    uint64_t writes = 0;
};

DeviceStateCache& StateCache();
// Forgets every shadow (the device went away).
void ResetDeviceStateCache();
// The shader-related shadows a new device starts without.
void ForgetShaderShadows();

// Immediate setters: -1 without a device, else 0.
int SetRenderStateCached(host::D3DRENDERSTATETYPE state, uint32_t value);
int SetZEnableCached(int on);
// The same shadow, from the draw state's 2D or 3D depth setting.
int ApplyZEnableCached(int depth3D);
int SetZWriteEnableCached(int on);
int SetZFuncCached(int func);
int SetDepthBiasCached(float bias);
int SetCullModeCached(int mode);
// Writes the device without the shadow (a 3D batch switches lighting for a moment).
int SetLightingEnableRaw(int on);
int SetFogEnableCached(int on);
int SetFogModeCached(int mode);
int SetFogColorCached(uint32_t color);
int SetFogRangeCached(float start, float end);
int SetFogDensityCached(float density);
int SetAmbientColorCached(uint32_t rgb);
int SetDiffuseMaterialSourceCached(int source);
int SetSpecularMaterialSourceCached(int on);
int SetMaterialCached(const host::D3DMATERIAL9& material);
int SetLightCached(uint32_t index, const host::D3DLIGHT9& light);
int SetLightAndEnable(uint32_t index, const host::D3DLIGHT9& light, int enable);
int SetLightEnableCached(uint32_t index, int enable);
// The first eight lights (in view space) and their on states into the shader constants.
int UploadLightConstants();
int SetMaxAnisotropyCached(int value);
// Stages 0 to 3 clamp, or (fromDrawState) stages 0 to 7 take the draw state's modes; the
// draw state keeps its modes either way.
int ApplyTextureAddressing(int fromDrawState);
int ApplyDrawFilterMode(int mode);
int ResetTexCoordIndexStates();
// Stage 0 to 3: on transforms the stage's coordinates by the matrix (three of them are
// used), off leaves them as they are. A bad stage is -1.
int SetTextureTransformCached(int stage, int on, const Matrix4& m);
// Sets the world transform without the shadow (around the draw of a 3D batch).
int SetWorldTransformRaw(const Matrix4& m);
int SetViewTransform(const Matrix4& m);
int SetProjectionTransform(const Matrix4& m);
int SetViewportCached(const host::D3DVIEWPORT9& viewport);
// A rectangle of the draw target, moved to where the target lies on its surface.
int SetViewportRect(int x, int y, int width, int height);
int SetScissorRectCached(const host::RECT& rect);
int SetRenderTargetSurface(host::Surface* surface);
// null unsets the shader.
int SetVertexShaderCached(host::VertexShader* shader);
int SetPixelShaderCached(host::PixelShader* shader);
// The same with the cache bypassed for this one call.
int ForceRenderTargetSurface(host::Surface* surface);

// Deferred setters: stored for the per-draw set-up; a change draws the batch first.
int SetAlphaTestCached(int func, int ref);
int SetDrawTextureCached(host::Texture* texture);
int SetDrawBlendModeCached(int mode, int param);
// -1 for border or range keeps it.
int SetBlendTextureCached(host::Texture* texture, int border, int range);
// The draw's texture with its blend mode and parameter.
int SetDrawTextureParams(host::Texture* texture, int blendMode, int blendParam);
// The per-draw inputs of the set-up, taken and put back whole; loading one marks the
// set-up dirty and runs it at once.
struct DrawStateRecord {
    host::Texture* drawTexture;
    host::Texture* blendTexture;
    int32_t blendBorder, blendRange, blendMode, blendParam, alphaTestFunc, alphaTestRef;
};
DrawStateRecord CurrentDrawStateRecord();
int LoadDrawStateRecord(const DrawStateRecord& record);
// Draws the batch, runs the set-up and leaves it marked dirty for the next draw.
int SetupDrawDeviceStateDirty();
// The texture-stage kind of a blend mode's row (0 to 3).
int BlendStageKind(int mode);
// Turns blend mode, texture and alpha test into device states (runs before a draw).
int SetupDrawDeviceState();

int BeginSceneIfNeeded();
int EndSceneIfBegun();

// Graphics start-up on the device path and the re-application after re-creation.
int InitDeviceStates();
int ReapplyDeviceStates();
// A new device: every state to the engine's start value through the cached setters.
int ResetDeviceStates();
// Sampler addressing of stages 0 to 7 from the shadows.
int ResetSamplerAddressStates();

}  // namespace orvik
