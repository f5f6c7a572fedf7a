// Drawing: vertex fetch, primitive assembly and the platform's checks on draw arguments.
#include <algorithm>
#include <bit>
#include <cstring>
#include <string>

#include "host/d3d9/device/d3d9_host.h"
#include "host/d3d9/vertex/declaration_layout.h"
#include "host/d3d9/device/device.h"
#include "host/d3d9/raster/multisample.h"
#include "host/d3d9/resources/pixel_format.h"
#include "host/d3d9/vertex/primitive_assembly.h"
#include "host/d3d9/raster/raster.h"
#include "host/d3d9/raster/raster_shader.h"
#include "host/d3d9/vertex/vertex_pipeline.h"
#include "host/debug_output.h"

namespace host {
namespace {

// Limits that keep one call's work and memory bounded (also reported in the caps).
constexpr UINT kMaxPrimitives = 0xFFFFF;
constexpr UINT kMaxVertices = 0x100000;

UINT VertexCountFor(D3DPRIMITIVETYPE type, UINT primitives) {
    if (primitives > kMaxPrimitives) return 0;
    switch (type) {
        case D3DPT_POINTLIST: return primitives;
        case D3DPT_LINELIST: return primitives * 2;
        case D3DPT_LINESTRIP: return primitives + 1;
        case D3DPT_TRIANGLELIST: return primitives * 3;
        case D3DPT_TRIANGLESTRIP:
        case D3DPT_TRIANGLEFAN: return primitives + 2;
        default: return 0;
    }
}


// A draw whose vertices cannot be read is refused with the reason.
HRESULT RefuseDraw(const char* why) {
    OutputDebugStringA((std::string("Direct3D9: draw refused: ") + why + "\n").c_str());
    return D3DERR_INVALIDCALL;
}

// Every stream the layout reads has the draw's vertices, each long enough for its parts.
const char* StreamFault(const FvfLayout& layout, const VertexStreams& streams) {
    // The streams the layout reads, lowest first (most draws read stream 0 alone).
    for (uint32_t read = layout.streams; read != 0; read &= read - 1) {
        const int s = std::countr_zero(read);
        if (streams.stride[s] == 0)
            return "a vertex part lies in a stream that is not set, is locked or ends before the draw's vertices do";
        if (streams.stride[s] < UINT(layout.reach[s])) return "a vertex part reaches past its stream's stride";
    }
    return nullptr;
}

}  // namespace

const FvfLayout& Device::VertexLayout() const {
    if (declaration_) return declaration_->Layout();
    // Draws alternate a few formats (a sprite batch and the mask screen's composite, each
    // looked up twice a draw): the last two decoded are kept, the less recent replaced.
    for (const int i : {lastFvfLayout_, 1 - lastFvfLayout_})
        if (fvfLayouts_[i].first == fvf_) return fvfLayouts_[lastFvfLayout_ = i].second;
    lastFvfLayout_ = 1 - lastFvfLayout_;
    fvfLayouts_[lastFvfLayout_] = {fvf_, LayoutOfFvf(fvf_)};
    return fvfLayouts_[lastFvfLayout_].second;
}

void Device::GatherStreams(int64_t first, UINT count, VertexStreams* out) const {
    for (int s = 0; s < kMaxStreams; ++s) {
        const StreamSource source =
            s == 0 ? StreamSource{stream_, streamOffset_, streamStride_} : moreStreams_[size_t(s - 1)];
        if (!source.buffer || source.stride == 0 || source.buffer->IsLocked()) continue;
        if (source.offset + (uint64_t(first) + count) * source.stride > source.buffer->Length()) continue;
        out->base[s] = source.buffer->Bytes() + source.offset + size_t(first) * source.stride;
        out->stride[s] = source.stride;
    }
}

HRESULT Device::Draw(D3DPRIMITIVETYPE type, UINT primitiveCount, const uint8_t* vertices, UINT vertexCount,
                     UINT stride, int64_t first, const void* indices, D3DFORMAT indexFormat, int32_t baseVertex) {
    // With a vertex shader the declaration (or the FVF) only says where its inputs lie,
    // and the shader's inputs are checked as they are bound.
    static const FvfLayout kShaderInputs = [] {
        FvfLayout l;
        l.valid = true;
        return l;
    }();
    const FvfLayout& layout = vertexShader_ ? kShaderInputs : VertexLayout();
    if (!layout.valid)
        return declaration_ ? RefuseDraw("the vertex declaration has no position, and no vertex shader is set")
                            : D3DERR_INVALIDCALL;
    VertexStreams streams;
    if (first < 0) {
        streams.base[0] = vertices;
        streams.stride[0] = stride;
    } else {
        GatherStreams(first, vertexCount, &streams);
    }
    if (const char* fault = StreamFault(layout, streams)) return RefuseDraw(fault);
    ++D3D9Counters().drawCalls;
    D3D9Counters().primitives += primitiveCount;
    if (loss_ != DeviceLoss::None) return D3D_OK;
    // Kept from call to call: making its 5.6 KB afresh cost more than many a small draw.
    // BuildDrawState writes every field a draw reads.
    static thread_local DrawState st;
    const IndexList index{indices, indexFormat, baseVertex};
    if (!BuildDrawState(&st, DrawsAsList(layout, type, index))) return D3D_OK;
    watchdog_.Start(D3D9Settings().drawTimeoutMicros);
    // A multisampled target is drawn plane by plane, one plane a sample, those the sample
    // mask lets through (every one on a non-maskable target).
    const SamplePlanes planes = PlanesOf(st, *renderTarget_, depthStencil_);
    const DWORD mask = renderTarget_->MultiSampleType() == D3DMULTISAMPLE_NONMASKABLE
                           ? ~0u
                           : renderStates_[D3DRS_MULTISAMPLEMASK];
    if (planes.count == 1) return DrawPrimitives(st, layout, type, primitiveCount, streams, vertexCount, index);
    for (uint32_t k = 0; k < planes.count; ++k) {
        if (!(mask >> k & 1)) continue;
        SelectSamplePlane(planes, k, !renderStates_[D3DRS_MULTISAMPLEANTIALIAS], &st);
        const HRESULT hr = DrawPrimitives(st, layout, type, primitiveCount, streams, vertexCount, index);
        if (FAILED(hr)) return hr;
    }
    renderTarget_->Touch();
    return D3D_OK;
}

bool Device::DrawsAsList(const FvfLayout& layout, D3DPRIMITIVETYPE type, const IndexList& index) const {
    return layout.pretransformed && layout.SingleStream() && !pixelShader_ && type == D3DPT_TRIANGLELIST &&
           !index.indices && renderStates_[D3DRS_FILLMODE] == D3DFILL_SOLID;
}

HRESULT Device::DrawPrimitives(DrawState& st, const FvfLayout& layout, D3DPRIMITIVETYPE type, UINT primitiveCount,
                               const VertexStreams& streams, UINT vertexCount, const IndexList& index) {
    if (DrawsAsList(layout, type, index)) {
        RasterPretransformedList(st, layout, streams.base[0], streams.stride[0], primitiveCount);
        renderTarget_->Touch();
        return D3D_OK;
    }
    const D3DMATRIX wvp =
        layout.pretransformed ? D3DMATRIX{} : MultiplyMatrices(MultiplyMatrices(world_, view_), projection_);
    const ViewportMap map{float(viewport_.X), float(viewport_.Y), float(viewport_.Width), float(viewport_.Height),
                          viewport_.MinZ, viewport_.MaxZ};
    if (pixelShader_) return DrawWithPixelShader(st, layout, type, primitiveCount, streams, vertexCount, index);
    // Pre-transformed vertices go straight to the screen; others are clipped per primitive.
    std::vector<ScreenVertex>& screen = screenVertices_;
    std::vector<ClipVertex> clip;
    if (layout.pretransformed) {
        screen.resize(vertexCount);
        for (UINT i = 0; i < vertexCount; ++i) FetchPretransformed(layout, streams, i, &screen[i]);
    } else if (vertexShader_) {
        std::vector<ShadedVertex> shaded;
        if (!RunVertexShader(streams, vertexCount, &shaded)) return watchdog_.Expired() ? D3D_OK : D3DERR_INVALIDCALL;
        clip.resize(vertexCount);
        const bool vertexFog = st.fog.enabled && !st.fog.table;
        for (UINT i = 0; i < vertexCount; ++i) clip[i] = ToClipVertex(shaded[i], vertexFog);
    } else if (FetchUntransformed(layout, streams, vertexCount, wvp, &clip, &st.projectedStages)) {
        // Generated or transformed coordinates come out in the set of their stage.
        for (int s = 0; s < st.stageCount; ++s) st.ops[s].texSet = s;
    }
    std::vector<ScreenVertex> clipped;
    auto triangle = [&](UINT a, UINT b, UINT c, UINT flat) {
        if (layout.pretransformed) {
            RasterTriangle(st, screen[a], screen[b], screen[c], screen[flat]);
            return;
        }
        const ClipVertex tri[3] = {clip[a], clip[b], clip[c]};
        ScreenVertex flatColors;
        flatColors.diffuse = clip[flat].diffuse;
        flatColors.specular = clip[flat].specular;
        if (InsideClipVolume(tri[0]) && InsideClipVolume(tri[1]) && InsideClipVolume(tri[2])) {
            RasterTriangle(st, MapToScreen(tri[0], map), MapToScreen(tri[1], map), MapToScreen(tri[2], map),
                           flatColors);
            return;
        }
        ClipAndMap(tri, 3, map, &clipped);
        for (size_t i = 2; i < clipped.size(); ++i) RasterTriangle(st, clipped[0], clipped[i - 1], clipped[i], flatColors);
    };
    auto line = [&](UINT a, UINT b) {
        if (layout.pretransformed) {
            RasterLine(st, screen[a], screen[b], screen[a]);
            return;
        }
        const ClipVertex seg[2] = {clip[a], clip[b]};
        ClipAndMap(seg, 2, map, &clipped);
        if (clipped.size() == 2) RasterLine(st, clipped[0], clipped[1], clipped[0]);
    };
    // Sprites come as pairs of triangles forming a rectangle: drawn as one.
    auto rectanglePair = [&](UINT p) {
        if (!layout.pretransformed || p + 1 >= primitiveCount) return false;
        UINT i[3], j[3];
        TriangleCorners(type, p, index, i);
        TriangleCorners(type, p + 1, index, j);
        const ScreenVertex* first[3] = {&screen[i[0]], &screen[i[1]], &screen[i[2]]};
        const ScreenVertex* second[3] = {&screen[j[0]], &screen[j[1]], &screen[j[2]]};
        const ScreenVertex* flat[2] = {&screen[FlatCorner(type, i)], &screen[FlatCorner(type, j)]};
        return RasterRectanglePair(st, first, second, flat);
    };
    auto point = [&](UINT i) {
        if (layout.pretransformed) RasterPoint(st, screen[i]);
        else if (InsideClipVolume(clip[i])) RasterPoint(st, MapToScreen(clip[i], map));
    };
    AssemblePrimitives(type, primitiveCount, index, triangle, line, point, rectanglePair);
    renderTarget_->Touch();
    return D3D_OK;
}

HRESULT Device::DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void* vertices, UINT stride) {
    const UINT count = VertexCountFor(type, primitiveCount);
    if (!inScene_ || !vertices || stride == 0 || count == 0) return D3DERR_INVALIDCALL;
    ReplaceRef<VertexBuffer>(stream_, nullptr);
    return Draw(type, primitiveCount, static_cast<const uint8_t*>(vertices), count, stride, -1, nullptr, D3DFMT_UNKNOWN,
                0);
}

HRESULT Device::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minIndex, UINT numVertices, UINT primitiveCount,
                                       const void* indices, D3DFORMAT indexFormat, const void* vertices,
                                       UINT stride) {
    const UINT count = VertexCountFor(type, primitiveCount);
    if (!inScene_ || !vertices || !indices || stride == 0 || count == 0 || numVertices == 0 ||
        numVertices > kMaxVertices ||
        (indexFormat != D3DFMT_INDEX16 && indexFormat != D3DFMT_INDEX32))
        return D3DERR_INVALIDCALL;
    for (UINT i = 0; i < count; ++i) {
        const uint32_t v = IndexList::At(indices, indexFormat, i);
        if (v < minIndex || v - minIndex >= numVertices) return D3DERR_INVALIDCALL;
    }
    ReplaceRef<VertexBuffer>(stream_, nullptr);
    ReplaceRef<IndexBuffer>(indices_, nullptr);
    const auto* base = static_cast<const uint8_t*>(vertices);
    return Draw(type, primitiveCount, base + size_t(minIndex) * stride, numVertices, stride, -1, indices, indexFormat,
                -int32_t(minIndex));
}

HRESULT Device::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) {
    const UINT count = VertexCountFor(type, primitiveCount);
    if (!inScene_ || count == 0) return D3DERR_INVALIDCALL;
    return Draw(type, primitiveCount, nullptr, count, 0, startVertex, nullptr, D3DFMT_UNKNOWN, 0);
}

HRESULT Device::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, int32_t baseVertex, UINT minIndex, UINT numVertices,
                                     UINT startIndex, UINT primitiveCount) {
    const UINT count = VertexCountFor(type, primitiveCount);
    if (!inScene_ || !indices_ || indices_->IsLocked() || count == 0 || numVertices == 0 ||
        numVertices > kMaxVertices)
        return D3DERR_INVALIDCALL;
    const D3DFORMAT format = indices_->Format();
    const uint64_t indexBytes = format == D3DFMT_INDEX16 ? 2 : 4;
    if ((uint64_t(startIndex) + count) * indexBytes > indices_->Length()) return D3DERR_INVALIDCALL;
    const int64_t first = int64_t(baseVertex) + minIndex;
    if (first < 0) return D3DERR_INVALIDCALL;
    const uint8_t* indexData = indices_->Bytes() + size_t(startIndex) * indexBytes;
    for (UINT i = 0; i < count; ++i) {
        const uint32_t v = IndexList::At(indexData, format, i);
        if (v < minIndex || v - minIndex >= numVertices) return D3DERR_INVALIDCALL;
    }
    return Draw(type, primitiveCount, nullptr, numVertices, 0, first, indexData, format, -int32_t(minIndex));
}

}  // namespace host
