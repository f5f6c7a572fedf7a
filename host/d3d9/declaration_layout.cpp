#include "host/d3d9/declaration_layout.h"

#include <algorithm>

namespace host {
namespace {

// Floats of a float element type (1 to 4), or 0 for other types.
int FloatCount(BYTE type) { return type <= D3DDECLTYPE_FLOAT4 ? type + 1 : 0; }

// Places one element in the layout; false when it has no place there.
bool Place(const D3DVERTEXELEMENT9& e, FvfLayout* l, bool* position) {
    const int offset = e.Offset;
    switch (e.Usage) {
        case D3DDECLUSAGE_POSITION:
        case D3DDECLUSAGE_POSITIONT: {
            const bool screen = e.Usage == D3DDECLUSAGE_POSITIONT;
            if (*position || e.UsageIndex != 0 || offset != 0 || e.Type != (screen ? D3DDECLTYPE_FLOAT4 : D3DDECLTYPE_FLOAT3))
                return false;
            *position = true;
            l->pretransformed = screen;
            l->stride = std::max(l->stride, screen ? 16 : 12);
            return true;
        }
        case D3DDECLUSAGE_NORMAL:
            if (e.UsageIndex != 0 || e.Type != D3DDECLTYPE_FLOAT3) return false;
            l->normal = offset;
            l->stride = std::max(l->stride, offset + 12);
            return true;
        case D3DDECLUSAGE_COLOR:
            if (e.UsageIndex > 1 || e.Type != D3DDECLTYPE_D3DCOLOR) return false;
            (e.UsageIndex == 0 ? l->diffuse : l->specular) = offset;
            l->stride = std::max(l->stride, offset + 4);
            return true;
        case D3DDECLUSAGE_TEXCOORD: {
            const int dims = FloatCount(e.Type);
            if (e.UsageIndex >= kMaxTexCoordSets || dims == 0) return false;
            l->tex[e.UsageIndex] = offset;
            l->texDims[e.UsageIndex] = dims;
            l->texCount = std::max(l->texCount, int(e.UsageIndex) + 1);
            l->stride = std::max(l->stride, offset + 4 * dims);
            return true;
        }
        case D3DDECLUSAGE_PSIZE: return e.Type == D3DDECLTYPE_FLOAT1;  // read by nothing, as in an FVF
        default: return false;
    }
}

}  // namespace

FvfLayout LayoutOfDeclaration(const std::vector<D3DVERTEXELEMENT9>& elements) {
    FvfLayout l;
    bool position = false;
    for (const D3DVERTEXELEMENT9& e : elements)
        if (e.Stream != 0 || e.Method != D3DDECLMETHOD_DEFAULT || !Place(e, &l, &position)) return FvfLayout{};
    for (int i = 0; i < l.texCount; ++i)
        if (l.texDims[i] == 0) return FvfLayout{};
    l.valid = position;
    return l;
}

}  // namespace host
