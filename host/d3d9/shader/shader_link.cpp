#include "host/d3d9/shader/shader_link.h"

#include <algorithm>

namespace host {
namespace {

constexpr int Key(int usage, int index) { return usage << 8 | index; }

}  // namespace

SlotSemantics PixelSlots(const ShaderProgram* pixel) {
    SlotSemantics s;
    s.fill(-1);
    if (pixel && pixel->model == kModel30) {
        for (const InputBinding& in : pixel->inputs)
            if (in.reg < kVaryings) s[in.reg] = Key(in.usage, in.usageIndex);
        return s;
    }
    s[0] = Key(D3DDECLUSAGE_COLOR, 0);
    s[1] = Key(D3DDECLUSAGE_COLOR, 1);
    for (int n = 0; n < kTexCoordRegs; ++n) s[size_t(2 + n)] = Key(D3DDECLUSAGE_TEXCOORD, n);
    return s;
}

VertexOutputMap MapVertexOutputs(const ShaderProgram& vs, const SlotSemantics& slots) {
    VertexOutputMap map;
    for (const InputBinding& out : vs.outputs) {
        const int key = Key(out.usage, out.usageIndex);
        if (key == Key(D3DDECLUSAGE_POSITION, 0) || key == Key(D3DDECLUSAGE_POSITIONT, 0)) map.position = out.reg;
        if (out.usage == D3DDECLUSAGE_FOG && map.fog < 0) {
            map.fog = out.reg;
            map.fogComponent = out.mask ? __builtin_ctz(out.mask) : 0;
        }
        for (size_t k = 0; k < slots.size(); ++k)
            if (slots[k] == key) map.links.push_back({out.reg, out.mask, uint8_t(k)});
    }
    return map;
}

void StoreVertexOutputs(const ShaderProgram& vs, const VertexOutputMap& map, bool writesFog,
                        const ShaderRegisters& regs, ShadedVertex* v) {
    if (vs.model != kModel30) {
        std::copy(regs.rastOut[0].v, regs.rastOut[0].v + 4, v->pos);
        v->attr[0] = regs.attrOut[0];
        v->attr[1] = regs.attrOut[1];
        v->fog = writesFog ? Saturate(regs.rastOut[1][0]) : 1.0f;
        for (int n = 0; n < kTexCoordRegs; ++n) v->attr[2 + n] = regs.texOut[size_t(n)];
        return;
    }
    const Vec4 zero;
    const Vec4& pos = map.position >= 0 ? regs.texOut[size_t(map.position)] : zero;
    std::copy(pos.v, pos.v + 4, v->pos);
    v->fog = map.fog >= 0 ? Saturate(regs.texOut[size_t(map.fog)][map.fogComponent]) : 1.0f;
    for (Vec4& a : v->attr) a = Vec4{};
    // Several semantics may share one register, each in the components it declares.
    for (const VertexOutputMap::Link& l : map.links)
        for (int c = 0; c < 4; ++c)
            if (l.mask >> c & 1) v->attr[l.slot][c] = regs.texOut[l.reg][c];
}

void RelinkFixedPlaces(const SlotSemantics& slots, ShadedVertex* v) {
    static const SlotSemantics kFixed = PixelSlots(nullptr);
    Vec4 moved[kVaryings];
    for (size_t k = 0; k < slots.size(); ++k) {
        const auto from = std::find(kFixed.begin(), kFixed.end(), slots[k]);
        moved[k] = slots[k] >= 0 && from != kFixed.end() ? v->attr[from - kFixed.begin()] : Vec4{};
    }
    std::copy(moved, moved + kVaryings, v->attr);
}

}  // namespace host
