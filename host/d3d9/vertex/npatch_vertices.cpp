#include "host/d3d9/vertex/npatch_vertices.h"

#include <algorithm>

#include "host/d3d9/raster/pixel_shade.h"
#include "host/d3d9/raster/raster_common.h"
#include "host/d3d9/raster/raster_shader.h"
#include "host/d3d9/resources/texture_views.h"
#include "host/d3d9/vertex/vertex_element.h"

namespace host {
namespace {

Vec3 Xyz(const Vec4& v) { return {v[0], v[1], v[2]}; }

// The displacement map's texel at (tu, tv), in the most detailed level its sampler allows,
// filtered as it magnifies; opaque black without a 2D map, as a shader's lookup reads.
Vec4 LookUp(const StageSampler& map, float tu, float tv) {
    if (map.levelCount == 0 || map.type != D3DRTYPE_TEXTURE) return ColorToVec4(0xFF000000u);
    const int level = std::min(map.maxLevel, map.levelCount - 1);
    double scale[3];
    TexelScale(map, level, scale);
    return ColorToVec4(SampleLevel(map, level, map.magFilter >= D3DTEXF_LINEAR, ToFixed32(tu * scale[0]),
                                   ToFixed32(tv * scale[1])));
}

}  // namespace

const char* TessellationMethodFault(const D3DVERTEXELEMENT9& e) {
    if (e.Method == D3DDECLMETHOD_LOOKUPPRESAMPLED)
        return "an element looks up a presampled displacement map, and the device has none";
    if (e.Method == D3DDECLMETHOD_LOOKUP)
        return e.Usage != D3DDECLUSAGE_SAMPLE     ? "a displacement lookup element's usage is not SAMPLE"
               : e.Type != D3DDECLTYPE_FLOAT2 ? "a displacement lookup element does not read a FLOAT2 coordinate"
                                              : nullptr;
    if (e.Usage == D3DDECLUSAGE_SAMPLE) return "a sample element has no displacement lookup method";
    switch (e.Method) {
        case D3DDECLMETHOD_DEFAULT:
            return e.Type == D3DDECLTYPE_UNUSED ? "an element without a type has the default method" : nullptr;
        case D3DDECLMETHOD_UV:
            return e.Type == D3DDECLTYPE_UNUSED && e.Stream == 0 && e.Offset == 0
                       ? nullptr
                       : "a UV method element must have no type, stream 0 and offset 0";
        default:  // the partial derivatives and their cross product
            switch (e.Type) {
                case D3DDECLTYPE_D3DCOLOR:
                case D3DDECLTYPE_FLOAT3:
                case D3DDECLTYPE_FLOAT4:
                case D3DDECLTYPE_SHORT4:
                case D3DDECLTYPE_UBYTE4: return nullptr;
                default:
                    return "a tangent or cross product method reads a type other than FLOAT3, FLOAT4, D3DCOLOR, "
                           "UBYTE4 or SHORT4";
            }
    }
}

bool HasTessellationMethod(std::span<const D3DVERTEXELEMENT9> elements) {
    for (const D3DVERTEXELEMENT9& e : elements)
        if (e.Method != D3DDECLMETHOD_DEFAULT) return true;
    return false;
}

NPatchVertices::NPatchVertices(std::span<const D3DVERTEXELEMENT9> elements, const VertexStreams& streams,
                               NPatchDegrees degrees, int segments, const StageSampler* displacementMap)
    : TessellatorOutput(elements, streams),
      degrees_(degrees),
      segments_(segments),
      map_(displacementMap),
      corners_(parts_.size()) {}

void NPatchVertices::AddTriangle(UINT a, UINT b, UINT c) {
    const UINT corners[3] = {a, b, c};
    for (size_t p = 0; p < parts_.size(); ++p)
        for (int k = 0; k < 3; ++k)
            if (parts_[p].kind != Kind::UV)
                corners_[p][size_t(k)] =
                    ReadDeclElement(parts_[p].source.Type, streams_.Vertex(parts_[p].source.Stream, corners[k]) +
                                                              parts_[p].source.Offset);
    std::array<Vec3, 3> positions{}, normals{};
    for (size_t k = 0; k < 3; ++k) {
        if (position_ >= 0) positions[k] = Xyz(corners_[size_t(position_)][k]);
        if (normal_ >= 0) normals[k] = Xyz(corners_[size_t(normal_)][k]);
    }
    const NPatch patch(positions, normals, degrees_);
    const uint32_t first = VertexCount();
    const int n = segments_;
    // Point (i, j) lies at u = i / n, v = j / n; its number counts along rows of j.
    auto at = [&](int i, int j) { return first + uint32_t(j * (n + 1) - j * (j - 1) / 2 + i); };
    for (int j = 0; j <= n; ++j)
        for (int i = 0; i + j <= n; ++i) WriteVertex(patch, float(i) / float(n), float(j) / float(n));
    // Triangles keep the patch's winding: (u, v) turns as corner 1 and corner 2 do.
    for (int j = 0; j < n; ++j)
        for (int i = 0; i + j < n; ++i) {
            indices_.insert(indices_.end(), {at(i, j), at(i + 1, j), at(i, j + 1)});
            if (i + j + 1 < n) indices_.insert(indices_.end(), {at(i + 1, j), at(i + 1, j + 1), at(i, j + 1)});
        }
}

void NPatchVertices::WriteVertex(const NPatch& patch, float u, float v) {
    const NPatchPoint point = patch.At(u, v);
    const float w = 1.0f - u - v;
    float* out = NewVertex();
    for (size_t p = 0; p < parts_.size(); ++p) {
        const Part& part = parts_[p];
        const std::array<Vec4, 3>& c = corners_[p];
        float value[4];
        for (int k = 0; k < 4; ++k) value[k] = w * c[0][k] + u * c[1][k] + v * c[2][k];
        const std::array<Vec3, 3> xyz = {Xyz(c[0]), Xyz(c[1]), Xyz(c[2])};
        const Vec3 du = part.onPosition ? point.du : LinearDu(xyz), dv = part.onPosition ? point.dv : LinearDv(xyz);
        Vec3 computed{};
        switch (part.kind) {
            case Kind::Linear:
            case Kind::Lookup: break;
            case Kind::Position: computed = point.position; break;
            case Kind::Normal: computed = point.normal; break;
            case Kind::PartialU: computed = du; break;
            case Kind::PartialV: computed = dv; break;
            case Kind::CrossUV: computed = Cross(du, dv); break;
            case Kind::UV: computed = {u, v, 0.0f}; break;
        }
        if (part.kind == Kind::Lookup) {
            const Vec4 texel = LookUp(*map_, value[0], value[1]);
            for (int k = 0; k < 4; ++k) value[k] = texel[k];
        } else if (part.kind != Kind::Linear) {
            for (int k = 0; k < 3; ++k) value[k] = computed[size_t(k)];
        }
        for (int k = 0; k < part.components; ++k) *out++ = value[k];
    }
}

}  // namespace host
