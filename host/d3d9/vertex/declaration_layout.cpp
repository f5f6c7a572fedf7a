#include "host/d3d9/vertex/declaration_layout.h"

#include <algorithm>
#include <iterator>

#include "host/d3d9/shader/shader_vertex_input.h"
#include "host/d3d9/vertex/vertex_element.h"

namespace host {
namespace {

// The place in the layout an element fills, or null when the pipeline does not read it.
ElementPlace* PlaceOf(const D3DVERTEXELEMENT9& e, FvfLayout* l) {
    switch (e.Usage) {
        case D3DDECLUSAGE_POSITIONT: return e.UsageIndex == 0 ? &l->position : nullptr;
        case D3DDECLUSAGE_POSITION: return e.UsageIndex == 0 && !l->pretransformed ? &l->position : nullptr;
        case D3DDECLUSAGE_NORMAL: return e.UsageIndex == 0 ? &l->normal : nullptr;
        case D3DDECLUSAGE_COLOR: return e.UsageIndex == 0 ? &l->diffuse : e.UsageIndex == 1 ? &l->specular : nullptr;
        case D3DDECLUSAGE_TEXCOORD: return e.UsageIndex < kMaxTexCoordSets ? &l->tex[e.UsageIndex] : nullptr;
        default: return nullptr;
    }
}

bool IsPlain(const ElementPlace& e) { return !e.Present() || e.type <= D3DDECLTYPE_FLOAT4; }
bool IsPlainColor(const ElementPlace& e) { return !e.Present() || e.type == D3DDECLTYPE_D3DCOLOR; }

}  // namespace

FvfLayout LayoutOfDeclaration(std::span<const D3DVERTEXELEMENT9> elements) {
    FvfLayout l;
    // A screen position stands in place of a position to transform wherever either lies.
    l.pretransformed = std::any_of(elements.begin(), elements.end(), [](const D3DVERTEXELEMENT9& e) {
        return e.Usage == D3DDECLUSAGE_POSITIONT && e.UsageIndex == 0;
    });
    for (const D3DVERTEXELEMENT9& e : elements) {
        ElementPlace* place = PlaceOf(e, &l);
        if (!place || e.Stream >= kMaxStreams || DeclTypeSize(e.Type) == 0) continue;
        *place = ElementPlace{uint8_t(e.Stream), e.Type, e.Offset, uint8_t(DeclTypeComponents(e.Type))};
        l.streams = uint16_t(l.streams | 1u << e.Stream);
        l.reach[e.Stream] = std::max(l.reach[e.Stream], e.Offset + DeclTypeSize(e.Type));
        if (e.Usage == D3DDECLUSAGE_TEXCOORD) {
            l.texDims[e.UsageIndex] = place->components;
            l.texCount = std::max(l.texCount, int(e.UsageIndex) + 1);
        }
    }
    l.stride = l.reach[0];
    l.valid = l.position.Present();
    l.plain = IsPlain(l.position) && IsPlain(l.normal) && IsPlainColor(l.diffuse) && IsPlainColor(l.specular) &&
              std::all_of(std::begin(l.tex), std::end(l.tex), IsPlain);
    return l;
}

FvfLayout LayoutOfFvf(DWORD fvf) {
    const DWORD position = fvf & D3DFVF_POSITION_MASK;
    if (position == 0 || position > D3DFVF_XYZB5 ||
        int((fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT) > kMaxTexCoordSets)
        return FvfLayout{};
    std::vector<D3DVERTEXELEMENT9> elements = FvfElements(fvf);
    // A vertex shader reads XYZRHW's four floats as its position; here they are the
    // position on the screen.
    if (position == D3DFVF_XYZRHW) elements.front().Usage = D3DDECLUSAGE_POSITIONT;
    return LayoutOfDeclaration(elements);
}

}  // namespace host
