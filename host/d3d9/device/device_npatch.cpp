// N-patch draws: the triangles of a draw refined by the tessellator, whose output is then
// drawn as a plain indexed triangle list under a declaration of its own.
#include <algorithm>
#include <string>

#include "host/d3d9/device/device.h"
#include "host/d3d9/resources/resource_make.h"
#include "host/d3d9/shader/shader_vertex_input.h"
#include "host/d3d9/vertex/npatch_vertices.h"
#include "host/debug_output.h"

namespace host {
namespace {

// Vertices the tessellator writes before its triangles are drawn: bounds the memory one
// draw takes however many triangles and segments it has.
constexpr UINT kBatchVertices = 1u << 16;
// The triangles the tessellator may make of one call, over all its instances: bounds the
// time, as each triangle becomes segments x segments.
constexpr uint64_t kMaxTessellatedTriangles = uint64_t(1) << 26;

bool IsTriangles(D3DPRIMITIVETYPE type) {
    return type == D3DPT_TRIANGLELIST || type == D3DPT_TRIANGLESTRIP || type == D3DPT_TRIANGLEFAN;
}

bool HasPatchPosition(const std::vector<D3DVERTEXELEMENT9>& elements) {
    return std::any_of(elements.begin(), elements.end(), [](const D3DVERTEXELEMENT9& e) {
        return e.Usage == D3DDECLUSAGE_POSITION && e.UsageIndex == 0 && e.Method == D3DDECLMETHOD_DEFAULT;
    });
}

HRESULT Refuse(const char* why) {
    OutputDebugStringA((std::string("Direct3D9: draw refused: ") + why + "\n").c_str());
    return D3DERR_INVALIDCALL;
}

// While the tessellator's output is drawn the device reads it through its declaration.
class OutputBinding {
public:
    OutputBinding(VertexDeclaration*& bound, bool& tessellating, VertexDeclaration* output)
        : bound_(bound), tessellating_(tessellating), saved_(bound), output_(output) {
        bound_ = output_;
        tessellating_ = true;
    }
    ~OutputBinding() {
        bound_ = saved_;
        tessellating_ = false;
        output_->Release();
    }
    OutputBinding(const OutputBinding&) = delete;
    OutputBinding& operator=(const OutputBinding&) = delete;

private:
    VertexDeclaration*& bound_;
    bool& tessellating_;
    VertexDeclaration* saved_;
    VertexDeclaration* output_;
};

}  // namespace

HRESULT Device::SetNPatchMode(float segments) {
    if (recording_) return recording_->Keep({Setting::kNPatchMode, 0, segments});
    nPatchSegments_ = segments;
    return D3D_OK;
}

std::optional<HRESULT> Device::DrawTessellated(D3DPRIMITIVETYPE type, UINT primitiveCount, UINT instances,
                                               const FvfLayout& layout, const VertexStreams& streams,
                                               const IndexList& index) {
    if (tessellating_) return std::nullopt;
    // Pre-transformed vertices lie on the screen already: there is nothing to curve. (The
    // common draw leaves here without copying the elements.)
    const bool patches = nPatchSegments_ >= 1.0f && IsTriangles(type) && !layout.pretransformed;
    const std::vector<D3DVERTEXELEMENT9> elements =
        !patches ? std::vector<D3DVERTEXELEMENT9>{} : declaration_ ? declaration_->Elements() : FvfElements(fvf_);
    if (!patches || !HasPatchPosition(elements)) {
        if (!declaration_ || !HasTessellationMethod(declaration_->Elements())) return std::nullopt;
        return Refuse("the vertex declaration has a tessellation method, and the draw is not tessellated");
    }
    const int segments = int(std::min(nPatchSegments_, float(kMaxNPatchSegments)));
    if (uint64_t(primitiveCount) * instances * uint64_t(segments * segments) > kMaxTessellatedTriangles)
        return Refuse("its triangles tessellated hold more than one call may draw");
    if (loss_ != DeviceLoss::None) return D3D_OK;
    const NPatchDegrees degrees{renderStates_[D3DRS_POSITIONDEGREE] != D3DDEGREE_LINEAR,
                                renderStates_[D3DRS_NORMALDEGREE] == D3DDEGREE_QUADRATIC};
    StageSampler displacementMap;
    FillSampler(int(SamplerSlot(D3DDMAPSAMPLER)), true, &displacementMap);
    NPatchVertices out(elements, streams, degrees, segments, &displacementMap);
    for (UINT p = 0; p < primitiveCount; ++p) {
        UINT c[3];
        TriangleCorners(type, p, index, c);
        out.AddTriangle(c[0], c[1], c[2]);
        if (p + 1 < primitiveCount && out.VertexCount() + out.VerticesPerPatch() <= kBatchVertices) continue;
        if (const HRESULT hr = DrawTessellatorOutput(out); FAILED(hr)) return hr;
        out.Clear();
    }
    return D3D_OK;
}

HRESULT Device::DrawTessellatorOutput(const TessellatorOutput& out) {
    VertexDeclaration* declaration = nullptr;
    if (FAILED(MakeResource(&declaration, out.Elements()))) return E_OUTOFMEMORY;
    const OutputBinding binding(declaration_, tessellating_, declaration);
    return Draw(D3DPT_TRIANGLELIST, out.TriangleCount(), reinterpret_cast<const uint8_t*>(out.Data()),
                out.VertexCount(), out.Stride(), -1, out.Indices().data(), D3DFMT_INDEX32, 0);
}

}  // namespace host
