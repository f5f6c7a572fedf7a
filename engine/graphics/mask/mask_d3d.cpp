// The mask screen on the device: a render-target texture of screen size that draws go
// into, a texture holding the mask bytes as alpha, the copy of the target into the
// former before a draw and the composite back through the latter after it.
#include <algorithm>
#include <cstring>
#include <span>
#include <utility>
#include <vector>

#include <orvik/platform.h>

#include "engine/graphics/draw/color_data.h"
#include "engine/graphics/images/color_format.h"
#include "engine/graphics/device/com_release.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/draw/draw_target.h"
#include "engine/graphics/device/graphics_system.h"
#include "engine/graphics/mask/mask_rows.h"
#include "engine/graphics/mask/mask_screen.h"
#include "engine/graphics/device/saved_device_states.h"
#include "engine/graphics/device/state_cache.h"
#include "engine/graphics/device/vertex_batch.h"
#include "host/d3d9/device/device.h"

namespace orvik {

namespace {

using namespace host;

int PowerOfTwoAtLeast(int side) {
    int p = 1;
    while (p < side) p <<= 1;
    return p;
}

D3DFORMAT ColorBufferFormat() {
    const auto& t = Graphics().dev.textureFormats;
    return GetScreenColorBitDepth() == 32 ? t[12] : t[11];
}

D3DFORMAT AlphaBufferFormat() {
    const auto& t = Graphics().dev.textureFormats;
    return t[3] ? t[3] : t[2];
}

// Draws whose rectangle fits in this many pixels a side read the mask from a slot of the
// small texture, filled with just their rectangle's bytes, which the composite then finds
// in the cache; the screen-sized texture is mostly far from it.
constexpr int kRectMaskSide = 128;
constexpr int kSlotTextureSide = 256;

// Queued rectangles this close to a new draw's are drawn first: a draw whose pixels
// reach a little past its rectangle (its bounds are truncated) then cannot touch them.
constexpr int kQueueGap = 2;

// The mask bits, packed again when the bytes changed.
void RefreshMaskBits() {
    MaskScreen& m = MaskState();
    if (!m.bitsStale) return;
    m.bitPitch = int32_t(MaskBitPitch(m.width));
    m.bits.assign(size_t(m.bitPitch) * size_t(m.height), 0);
    for (int y = 0; y < m.height; ++y)
        PackMaskBits(m.bits.data() + size_t(y) * size_t(m.bitPitch), m.data.data() + size_t(y) * size_t(m.pitch),
                     m.width);
    m.bitsStale = 0;
}

// The mask bytes of the rectangle into the texture from texel (atX, atY).
void UploadMask(Texture* texture, const DrawBounds& r, int atX, int atY) {
    const MaskScreen& m = MaskState();
    const ColorFormat* f = GetD3DFormatColorData(AlphaBufferFormat());
    const RECT area{atX, atY, atX + r.x2 - r.x1, atY + r.y2 - r.y1};
    D3DLOCKED_RECT locked;
    if (!f || FAILED(texture->LockRect(0, &locked, &area, 0))) return;
    const uint32_t clear = f->redMask | f->greenMask | f->blueMask, opaque = clear | f->alphaMask;
    uint8_t* texels = static_cast<uint8_t*>(locked.pBits);
    if (f->bytesPerPixel == 4) {
        RefreshMaskBits();
        const MaskTexelRect rect{texels, size_t(locked.Pitch), m.bits.data() + size_t(r.y1) * size_t(m.bitPitch),
                                 size_t(m.bitPitch), r.x1, r.x2 - r.x1, r.y2 - r.y1};
        MaskBitsToTexels32(rect, clear, opaque);
    } else {
        for (int y = r.y1; y < r.y2; ++y)
            MaskBytesToTexelsReference<uint16_t>(texels + size_t(y - r.y1) * size_t(locked.Pitch),
                                                 m.data.data() + size_t(y) * size_t(m.pitch) + size_t(r.x1),
                                                 r.x2 - r.x1, clear, opaque);
    }
    texture->UnlockRect(0);
}

// A rectangle to put back and where its mask texels lie: the texel of screen pixel
// (x, y) is (x - box.x1 + maskX, y - box.y1 + maskY).
struct CompositeQuad {
    DrawBounds box;
    int maskX, maskY;
};

// Where the composite reads the mask: the texture and its size.
struct MaskSource {
    Texture* texture;
    int width, height;
};

// The screen-sized mask, made again after the bytes changed.
MaskSource ScreenMask() {
    MaskScreen& m = MaskState();
    if (m.maskTextureStale) {
        UploadMask(m.maskTexture, DrawBounds{0, 0, m.width, m.height}, 0, 0);
        m.maskTextureStale = 0;
    }
    return {m.maskTexture, m.maskTextureWidth, m.maskTextureHeight};
}

// A free slot of the small texture for a box, on shelves filled left to right; false
// when the texture is full.
bool TakeSlot(const DrawBounds& box, int* x, int* y) {
    MaskScreen& m = MaskState();
    const int w = box.x2 - box.x1, h = box.y2 - box.y1;
    if (m.slotX + w > kSlotTextureSide) m.slotX = 0, m.slotY += m.shelfHeight, m.shelfHeight = 0;
    if (m.slotY + h > kSlotTextureSide) return false;
    *x = m.slotX, *y = m.slotY;
    m.slotX += w;
    m.shelfHeight = std::max(m.shelfHeight, h);
    return true;
}

bool Apart(const DrawBounds& a, const DrawBounds& b) {
    return a.x2 + kQueueGap <= b.x1 || b.x2 + kQueueGap <= a.x1 || a.y2 + kQueueGap <= b.y1 ||
           b.y2 + kQueueGap <= a.y1;
}

// Whether a new draw into box can go on while the queue waits: it lies apart from every
// queued rectangle, goes to the same target, and nothing but the queued draws went into
// the vertex batch since.
bool QueueCanWait(const DrawBounds& box, Surface* target) {
    const MaskScreen& m = MaskState();
    if (target != m.drawSurface || Batch().pending != m.queuedBatchVertices) return false;
    return std::all_of(m.queued.begin(), m.queued.end(), [&](const QueuedComposite& q) { return Apart(q.box, box); });
}

// The composite's own states: the drawn texels pass where the mask texel's alpha (its
// complement unless reversed) is set.
struct CompositeState {
    enum class Kind { Render, Stage, Sampler } kind;
    DWORD stage, type, value;
};

std::vector<CompositeState> CompositeStates(bool reverse) {
    using K = CompositeState::Kind;
    std::vector<CompositeState> states;
    const std::pair<D3DRENDERSTATETYPE, DWORD> render[] = {
        {D3DRS_ZENABLE, 0}, {D3DRS_ZWRITEENABLE, 0}, {D3DRS_ALPHATESTENABLE, 1},
        {D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL}, {D3DRS_ALPHAREF, 128}, {D3DRS_ALPHABLENDENABLE, 0},
        {D3DRS_CULLMODE, D3DCULL_NONE}, {D3DRS_LIGHTING, 0}, {D3DRS_FOGENABLE, 0},
        {D3DRS_SCISSORTESTENABLE, 0}, {D3DRS_COLORWRITEENABLE, 0xF}};
    for (const auto& [type, value] : render) states.push_back({K::Render, 0, type, value});
    const DWORD maskAlpha = D3DTA_TEXTURE | (reverse ? 0 : D3DTA_COMPLEMENT);
    const DWORD stages[3][6] = {{D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTOP_SELECTARG1, D3DTA_TEXTURE, 0, 0},
                                {D3DTOP_SELECTARG1, D3DTA_CURRENT, D3DTOP_SELECTARG1, maskAlpha, 1, 0},
                                {D3DTOP_DISABLE, D3DTA_CURRENT, D3DTOP_DISABLE, D3DTA_CURRENT, 2, 0}};
    for (DWORD s = 0; s < 3; ++s) {
        const DWORD* v = stages[s];
        for (const auto& [type, value] : {std::pair{D3DTSS_COLOROP, v[0]}, {D3DTSS_COLORARG1, v[1]},
                                          {D3DTSS_ALPHAOP, v[2]}, {D3DTSS_ALPHAARG1, v[3]},
                                          {D3DTSS_TEXCOORDINDEX, v[4]},
                                          {D3DTSS_TEXTURETRANSFORMFLAGS, DWORD(D3DTTFF_DISABLE)},
                                          // A blend-mask draw may have left a stage writing
                                          // the temporary register.
                                          {D3DTSS_RESULTARG, DWORD(D3DTA_CURRENT)}})
            states.push_back({K::Stage, s, type, value});
    }
    for (DWORD s = 0; s < 2; ++s)
        for (const auto& [type, value] : {std::pair{D3DSAMP_ADDRESSU, DWORD(D3DTADDRESS_CLAMP)},
                                          {D3DSAMP_ADDRESSV, DWORD(D3DTADDRESS_CLAMP)},
                                          {D3DSAMP_MAGFILTER, DWORD(D3DTEXF_POINT)},
                                          {D3DSAMP_MINFILTER, DWORD(D3DTEXF_POINT)},
                                          {D3DSAMP_MIPFILTER, DWORD(D3DTEXF_NONE)}})
            states.push_back({K::Sampler, s, type, value});
    return states;
}

// The composite's states recorded in a block of the device's (recording sets nothing).
StateBlock* RecordCompositeStates(Device* d, bool reverse) {
    StateBlock* block = nullptr;
    if (FAILED(d->BeginStateBlock())) return nullptr;
    for (const CompositeState& c : CompositeStates(reverse)) {
        if (c.kind == CompositeState::Kind::Render) d->SetRenderState(D3DRENDERSTATETYPE(c.type), c.value);
        else if (c.kind == CompositeState::Kind::Stage)
            d->SetTextureStageState(c.stage, D3DTEXTURESTAGESTATETYPE(c.type), c.value);
        else d->SetSamplerState(c.stage, D3DSAMPLERSTATETYPE(c.type), c.value);
    }
    return SUCCEEDED(d->EndStateBlock(&block)) ? block : nullptr;
}

// Without the blocks: each state through the scope, which reads, sets and writes it back.
void SetCompositeStates(SavedDeviceStates& saved, bool reverse) {
    for (const CompositeState& c : CompositeStates(reverse)) {
        if (c.kind == CompositeState::Kind::Render) saved.RenderState(D3DRENDERSTATETYPE(c.type), c.value);
        else if (c.kind == CompositeState::Kind::Stage)
            saved.StageState(c.stage, D3DTEXTURESTAGESTATETYPE(c.type), c.value);
        else saved.SamplerState(c.stage, D3DSAMPLERSTATETYPE(c.type), c.value);
    }
}

struct CompositeVertex {
    float x, y, z, rhw;
    float u0, v0, u1, v1;
};

// The rectangles as pairs of triangles in one list, each in the order whose second
// triangle repeats the first's last corners backwards, which the device takes as one
// rectangle.
std::vector<CompositeVertex> CompositeVertices(std::span<const CompositeQuad> quads, const MaskSource& mask,
                                               const TargetOrigin& origin) {
    const MaskScreen& m = MaskState();
    std::vector<CompositeVertex> vertices;
    vertices.reserve(quads.size() * 6);
    for (const CompositeQuad& q : quads) {
        auto corner = [&](int x, int y) {
            return CompositeVertex{float(x + origin.x) - 0.5f,
                                   float(y + origin.y) - 0.5f,
                                   0.0f,
                                   1.0f,
                                   float(x) / float(m.width),
                                   float(y) / float(m.height),
                                   float(x - q.box.x1 + q.maskX) / float(mask.width),
                                   float(y - q.box.y1 + q.maskY) / float(mask.height)};
        };
        const CompositeVertex topLeft = corner(q.box.x1, q.box.y1), topRight = corner(q.box.x2, q.box.y1),
                              bottomLeft = corner(q.box.x1, q.box.y2), bottomRight = corner(q.box.x2, q.box.y2);
        vertices.insert(vertices.end(), {topLeft, topRight, bottomLeft, bottomRight, bottomLeft, topRight});
    }
    return vertices;
}

// Puts the rectangles of the mask screen back on the target the draws copied from, where
// the mask lets them through.
void Composite(std::span<const CompositeQuad> quads, const MaskSource& mask) {
    MaskScreen& m = MaskState();
    Device* d = Graphics().dev.device;
    if (quads.empty() || !d || !m.drawSurface || !m.screenTexture || !mask.texture) return;
    BeginSceneIfNeeded();
    SavedDeviceStates saved(d);
    saved.Target(m.drawSurface);
    const TargetOrigin o = DrawTargetOrigin();
    DrawBounds all = quads.front().box;
    for (const CompositeQuad& q : quads)
        all = {std::min(all.x1, q.box.x1), std::min(all.y1, q.box.y1), std::max(all.x2, q.box.x2),
               std::max(all.y2, q.box.y2)};
    saved.Viewport(D3DVIEWPORT9{DWORD(all.x1 + o.x), DWORD(all.y1 + o.y), DWORD(all.x2 - all.x1),
                                DWORD(all.y2 - all.y1), 0, 1});
    StateBlock* states = m.compositeStates[m.reverse != 0];
    const bool blocks = states && m.keptStates && SUCCEEDED(m.keptStates->Capture());
    if (blocks) states->Apply();
    else SetCompositeStates(saved, m.reverse != 0);
    const std::vector<CompositeVertex> vertices = CompositeVertices(quads, mask, o);
    saved.Fvf(D3DFVF_XYZRHW | D3DFVF_TEX2);
    saved.Texture(0, m.screenTexture);
    saved.Texture(1, mask.texture);
    d->DrawPrimitiveUP(D3DPT_TRIANGLELIST, UINT(quads.size() * 2), vertices.data(), sizeof(CompositeVertex));
    if (blocks) m.keptStates->Apply();
}

// Queues a small draw's composite with its mask texels in a slot; false for a draw too
// large for one or without the slot texture.
bool QueueComposite(const DrawBounds& box) {
    MaskScreen& m = MaskState();
    if (!m.rectMaskTexture || box.x2 - box.x1 > kRectMaskSide || box.y2 - box.y1 > kRectMaskSide) return false;
    int x, y;
    if (!TakeSlot(box, &x, &y)) {
        DrawQueuedComposites();
        if (!TakeSlot(box, &x, &y)) return false;
    }
    UploadMask(m.rectMaskTexture, box, x, y);
    m.queued.push_back({box, x, y});
    m.queuedBatchVertices = Batch().pending;
    return true;
}

}  // namespace

int CreateMaskDeviceBuffers() {
    MaskScreen& m = MaskState();
    Device* d = Graphics().dev.device;
    if (!d || m.screenSurface) return d ? 0 : -1;
    const D3DFORMAT color = ColorBufferFormat(), alpha = AlphaBufferFormat();
    if (!color) ExitWithError("マスク描画用カラーバッファで使用できるテクスチャフォーマットがありませんでした");
    if (!alpha) ExitWithError("マスク描画用アルファチャンネルバッファで使用できるテクスチャフォーマットがありませんでした");
    m.maskTextureWidth = PowerOfTwoAtLeast(m.width);
    m.maskTextureHeight = PowerOfTwoAtLeast(m.height);
    if (FAILED(d->CreateTexture(UINT(m.maskTextureWidth), UINT(m.maskTextureHeight), 1, D3DUSAGE_DYNAMIC, alpha,
                                D3DPOOL_DEFAULT, &m.maskTexture)))
        ExitWithError("マスク用イメージテクスチャの作成に失敗しました");
    m.maskTextureStale = 1;
    if (FAILED(d->CreateTexture(UINT(m.width), UINT(m.height), 1, D3DUSAGE_RENDERTARGET, color, D3DPOOL_DEFAULT,
                                &m.screenTexture)))
        ExitWithError("マスク用スクリーンテクスチャの作成に失敗しました");
    m.screenTexture->GetSurfaceLevel(0, &m.screenSurface);
    // Without it every draw reads the screen-sized mask. A format of 16-bit texels is
    // widened whole on every change, so it is made only for 32-bit ones.
    const ColorFormat* f = GetD3DFormatColorData(alpha);
    if (f && f->bytesPerPixel == 4 &&
        FAILED(d->CreateTexture(kSlotTextureSide, kSlotTextureSide, 1, D3DUSAGE_DYNAMIC, alpha, D3DPOOL_DEFAULT,
                                &m.rectMaskTexture)))
        m.rectMaskTexture = nullptr;
    // The composite's fixed states, and a block of the same states to keep what they were:
    // without them the composite reads, sets and writes back each state by itself.
    for (int reverse = 0; reverse < 2; ++reverse) m.compositeStates[reverse] = RecordCompositeStates(d, reverse != 0);
    m.keptStates = RecordCompositeStates(d, false);
    return 0;
}

void ReleaseMaskDeviceBuffers() {
    MaskScreen& m = MaskState();
    // What waits for buffers about to go can no longer be drawn.
    m.queued.clear();
    m.slotX = m.slotY = m.shelfHeight = 0;
    ReleaseObject(m.maskTexture);
    ReleaseObject(m.rectMaskTexture);
    for (StateBlock*& block : m.compositeStates) ReleaseObject(block);
    ReleaseObject(m.keptStates);
    ReleaseObject(m.screenSurface);
    ReleaseObject(m.screenTexture);
    m.drawSurface = nullptr;
}

int RouteDeviceDrawing(bool toMaskScreen) {
    const MaskScreen& m = MaskState();
    if (!Graphics().dev.device) return -1;
    FlushVertexBatch();
    bool withDepth = true;
    Surface* surface = toMaskScreen ? m.screenSurface : TargetSurface(Draw().drawTarget, &withDepth);
    if (!surface) return -1;
    SetRenderTargetSurface(surface);
    Graphics().dev.device->SetDepthStencilSurface(withDepth ? Graphics().dev.zSurface : nullptr);
    const DrawArea& a = Draw().area;
    const int saved = StateCache().force;
    StateCache().force = 1;
    if (!a.empty) SetViewportRect(a.x1, a.y1, a.x2 - a.x1, a.y2 - a.y1);
    StateCache().force = saved;
    return 0;
}

void CopyTargetToMaskScreenD3D(const DrawBounds& box) {
    MaskScreen& m = MaskState();
    Device* d = Graphics().dev.device;
    bool withDepth;
    Surface* target = TargetSurface(Draw().drawTarget, &withDepth);
    if (!d || !target || !m.screenSurface) return;
    // While draws wait whose rectangles this one keeps clear of, the vertex batch holds only
    // them, and they go elsewhere in the mask screen; otherwise everything is drawn first.
    if (m.queued.empty() || !QueueCanWait(box, target)) FlushVertexBatch();
    m.drawSurface = target;
    // A cell of a drawable graphic lies inside the surface it renders into.
    const TargetOrigin o = DrawTargetOrigin();
    const RECT r{box.x1, box.y1, box.x2, box.y2}, source{box.x1 + o.x, box.y1 + o.y, box.x2 + o.x, box.y2 + o.y};
    d->StretchRect(m.drawSurface, &source, m.screenSurface, &r, D3DTEXF_NONE);
}

void CompositeMaskScreenD3D(const DrawBounds& box) {
    MaskScreen& m = MaskState();
    if (!Graphics().dev.device || !m.drawSurface || !m.screenTexture || !m.maskTexture) return;
    if (QueueComposite(box)) {
        if (int32_t(m.queued.size()) >= m.compositeBatchLimit) DrawQueuedComposites();
        return;
    }
    FlushVertexBatch();
    const CompositeQuad quad{box, box.x1, box.y1};
    Composite(std::span(&quad, 1), ScreenMask());
}

void DrawQueuedComposites() {
    MaskScreen& m = MaskState();
    if (m.queued.empty() || m.compositing) return;
    m.compositing = 1;
    FlushVertexBatch();
    std::vector<CompositeQuad> quads;
    quads.reserve(m.queued.size());
    for (const QueuedComposite& q : m.queued) quads.push_back({q.box, q.slotX, q.slotY});
    m.queued.clear();
    m.slotX = m.slotY = m.shelfHeight = 0;
    Composite(quads, MaskSource{m.rectMaskTexture, kSlotTextureSide, kSlotTextureSide});
    m.compositing = 0;
}

}  // namespace orvik
