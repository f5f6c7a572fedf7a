// The vertex declarations of the programmable path: for the model vertex kinds (with a
// normal, or with a normal and a tangent frame), three colour and texture variants and 0
// to 8 blend weights; and the screen vertex of the pack's 2D shader.
#include <vector>

#include "engine/graphics/device/graphics_system.h"
#include "engine/graphics/shaders/shader_system.h"
#include "engine/platform/base/log.h"
#include "host/d3d9/device/device.h"

namespace orvik {

namespace {

using namespace host;

class ElementList {
public:
    ElementList& Add(BYTE type, BYTE usage, BYTE index, WORD bytes) {
        elements_.push_back(D3DVERTEXELEMENT9{0, offset_, type, D3DDECLMETHOD_DEFAULT, usage, index});
        offset_ = WORD(offset_ + bytes);
        return *this;
    }
    std::vector<D3DVERTEXELEMENT9> End() {
        elements_.push_back(D3DDECL_END());
        return elements_;
    }

private:
    std::vector<D3DVERTEXELEMENT9> elements_;
    WORD offset_ = 0;
};

// Blend weights in groups of up to four floats, with one set of four byte indices per group.
void AddBlending(ElementList& list, int weights) {
    for (int group = 0; group * 4 < weights; ++group) {
        const int n = weights - group * 4 < 4 ? weights - group * 4 : 4;
        list.Add(BYTE(D3DDECLTYPE_FLOAT1 + n - 1), D3DDECLUSAGE_BLENDWEIGHT, BYTE(group), WORD(4 * n));
    }
    for (int group = 0; group * 4 < weights; ++group) list.Add(D3DDECLTYPE_UBYTE4, D3DDECLUSAGE_BLENDINDICES, BYTE(group), 4);
}

// kind 0: position, normal; kind 1: also tangent and binormal. variant 0: diffuse and one
// texture coordinate set; 1: diffuse, specular and one; 2: diffuse, specular and two.
std::vector<D3DVERTEXELEMENT9> ModelElements(int kind, int variant, int weights) {
    ElementList list;
    list.Add(D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION, 0, 12);
    AddBlending(list, weights);
    list.Add(D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_NORMAL, 0, 12);
    if (kind == 1) list.Add(D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_TANGENT, 0, 12).Add(D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_BINORMAL, 0, 12);
    list.Add(D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR, 0, 4);
    if (variant >= 1) list.Add(D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR, 1, 4);
    list.Add(D3DDECLTYPE_FLOAT2, D3DDECLUSAGE_TEXCOORD, 0, 8);
    if (variant == 2) list.Add(D3DDECLTYPE_FLOAT2, D3DDECLUSAGE_TEXCOORD, 1, 8);
    return list.End();
}

std::vector<D3DVERTEXELEMENT9> ScreenElements() {
    return ElementList()
        .Add(D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION, 0, 12)
        .Add(D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR, 0, 4)
        .Add(D3DDECLTYPE_FLOAT2, D3DDECLUSAGE_TEXCOORD, 0, 8)
        .End();
}

}  // namespace

int CreateShaders() {
    Device* d = Graphics().dev.device;
    if (!d) return -1;
    ReleasePixelShaders();
    auto& declarations = Shaders().declarations;
    int result = 0;
    for (int i = 0; i < kShaderDeclarationCount; ++i) {
        const int kind = i / 27, variant = i / 9 % 3, weights = i % 9;
        const std::vector<D3DVERTEXELEMENT9> elements =
            i < kShaderDeclarationCount - 1 ? ModelElements(kind, variant, weights) : ScreenElements();
        if (FAILED(d->CreateVertexDeclaration(elements.data(), &declarations[size_t(i)])))
            result = AddLogFormat("頂点宣言 %d の作成に失敗しました", i);
    }
    return result;
}

}  // namespace orvik
