// Rect and tri patches: control points in the streams made into a surface, tessellated and
// drawn as the tessellator's triangles.
#include <algorithm>
#include <string>

#include "host/d3d9/device/device.h"
#include "host/d3d9/shader/shader_vertex_input.h"
#include "host/d3d9/vertex/npatch.h"
#include "host/d3d9/vertex/surface_patch_vertices.h"
#include "host/debug_output.h"

namespace host {
namespace {

// The most control points a patch may reach into the streams (as a draw's vertices).
constexpr uint64_t kMaxPatchVertices = 0x100000;

HRESULT RefusePatch(const char* why) {
    OutputDebugStringA((std::string("Direct3D9: patch refused: ") + why + "\n").c_str());
    return D3DERR_INVALIDCALL;
}

const char* PatchFault(const D3DRECTPATCH_INFO& info) {
    if (const char* fault = BasisFault(info.Basis, info.Degree, info.Width)) return fault;
    if (const char* fault = BasisFault(info.Basis, info.Degree, info.Height)) return fault;
    if (uint64_t(info.StartVertexOffsetWidth) + info.Width > info.Stride)
        return "a row of the patch's control points reaches past its stride";
    if ((uint64_t(info.StartVertexOffsetHeight) + info.Height) * info.Stride > kMaxPatchVertices)
        return "the patch's control points reach past the most vertices a draw may read";
    return nullptr;
}

const char* PatchFault(const D3DTRIPATCH_INFO& info) {
    if (info.Basis != D3DBASIS_BEZIER) return "a tri patch's basis is not Bezier";
    if (const char* fault = BasisFault(info.Basis, info.Degree, info.Degree + 1)) return fault;
    if (info.NumVertices != TriPatchPoints(int(info.Degree)))
        return "a tri patch's control points are not (degree + 1)(degree + 2) / 2";
    if (uint64_t(info.StartVertexOffset) + info.NumVertices > kMaxPatchVertices)
        return "the patch's control points reach past the most vertices a draw may read";
    return nullptr;
}

// The vertices of the streams a patch reads, from the first.
UINT PatchReach(const D3DRECTPATCH_INFO& info) {
    return (info.StartVertexOffsetHeight + info.Height - 1) * info.Stride + info.StartVertexOffsetWidth + info.Width;
}
UINT PatchReach(const D3DTRIPATCH_INFO& info) { return info.StartVertexOffset + info.NumVertices; }

// An edge's segments: at least 1, at most the tessellator's level.
float EdgeSegments(const float* segments, int edge) {
    const float n = segments ? segments[edge] : 1.0f;
    return n >= 1.0f ? std::min(n, float(kMaxNPatchSegments)) : 1.0f;
}

// Each edge is cut by its own count, and stitched to the inside.
void Tessellate(const D3DRECTPATCH_INFO& info, const float* segments, EdgeStyle style, SurfacePatchVertices* out) {
    const RectGrid grid{info.StartVertexOffsetHeight * info.Stride + info.StartVertexOffsetWidth, info.Stride,
                        int(info.Width), int(info.Height), info.Basis, int(info.Degree)};
    out->AddRect(grid,
                 {EdgeSegments(segments, 0), EdgeSegments(segments, 1), EdgeSegments(segments, 2),
                  EdgeSegments(segments, 3)},
                 style);
}
void Tessellate(const D3DTRIPATCH_INFO& info, const float* segments, EdgeStyle style, SurfacePatchVertices* out) {
    out->AddTri(info.StartVertexOffset, int(info.Degree),
                {EdgeSegments(segments, 0), EdgeSegments(segments, 1), EdgeSegments(segments, 2)}, style);
}

}  // namespace

HRESULT Device::DrawRectPatch(UINT handle, const float* segments, const D3DRECTPATCH_INFO* info) {
    return DrawPatch(handle, segments, info ? std::optional<KeptPatch>(*info) : std::nullopt, 0);
}

HRESULT Device::DrawTriPatch(UINT handle, const float* segments, const D3DTRIPATCH_INFO* info) {
    return DrawPatch(handle, segments, info ? std::optional<KeptPatch>(*info) : std::nullopt, 1);
}

HRESULT Device::DrawPatch(UINT handle, const float* segments, std::optional<KeptPatch> info, size_t kind) {
    if (!inScene_) return RefusePatch("a patch is drawn outside a scene");
    if (!info) {
        const auto kept = patches_.find(handle);
        if (handle == 0 || kept == patches_.end()) return RefusePatch("no patch is kept under the handle");
        if (kept->second.index() != kind) return RefusePatch("the patch kept under the handle is of the other kind");
        info = kept->second;
    }
    if (const char* fault = std::visit([](const auto& i) { return PatchFault(i); }, *info)) return RefusePatch(fault);
    const std::vector<D3DVERTEXELEMENT9> elements = declaration_ ? declaration_->Elements() : FvfElements(fvf_);
    if (std::any_of(elements.begin(), elements.end(),
                    [](const D3DVERTEXELEMENT9& e) { return e.Method == D3DDECLMETHOD_LOOKUP; }))
        return RefusePatch("displacement maps are looked up by N-patches alone");
    VertexStreams streams;
    GatherStreams(0, std::visit([](const auto& i) { return PatchReach(i); }, *info), -1, &streams);
    SurfacePatchVertices out(elements, streams);
    if (!out.HasEveryPart(elements))
        return RefusePatch("a vertex part lies in a stream that is not set, is locked, ends before the patch's "
                           "control points do or is narrower than the part");
    if (handle != 0) patches_[handle] = *info;
    if (loss_ != DeviceLoss::None) return D3D_OK;
    const EdgeStyle style = renderStates_[D3DRS_PATCHEDGESTYLE] == D3DPATCHEDGE_CONTINUOUS ? EdgeStyle::Continuous
                                                                                         : EdgeStyle::Discrete;
    std::visit([&](const auto& i) { Tessellate(i, segments, style, &out); }, *info);
    return DrawTessellatorOutput(out);
}

HRESULT Device::DeletePatch(UINT handle) {
    if (patches_.erase(handle) == 0) return RefusePatch("no patch is kept under the handle to delete");
    return D3D_OK;
}

}  // namespace host
