#include "host/d3d9/shader/shader_vertex_input.h"

#include <algorithm>

namespace host {

std::vector<D3DVERTEXELEMENT9> FvfElements(DWORD fvf) {
    std::vector<D3DVERTEXELEMENT9> out;
    WORD offset = 0;
    auto add = [&](BYTE type, BYTE usage, BYTE index) {
        out.push_back({0, offset, type, D3DDECLMETHOD_DEFAULT, usage, index});
        offset = WORD(offset + DeclTypeSize(type));
    };
    const DWORD position = fvf & D3DFVF_POSITION_MASK;
    if (position == D3DFVF_XYZRHW || position == D3DFVF_XYZW) {
        add(D3DDECLTYPE_FLOAT4, D3DDECLUSAGE_POSITION, 0);
    } else if (position != 0) {
        add(D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION, 0);
        // XYZB1 to XYZB5 carry one to five betas: blend weights, the shader reading four at
        // most, and with a LASTBETA flag the last one holds the blend indices instead.
        const int betas = position >= D3DFVF_XYZB1 ? int(position - D3DFVF_XYZRHW) / 2 : 0;
        const DWORD lastBeta = fvf & (D3DFVF_LASTBETA_UBYTE4 | D3DFVF_LASTBETA_D3DCOLOR);
        const int weights = lastBeta ? betas - 1 : betas;
        if (weights > 0) {
            add(BYTE(D3DDECLTYPE_FLOAT1 + std::min(weights, 4) - 1), D3DDECLUSAGE_BLENDWEIGHT, 0);
            offset = WORD(offset + 4 * std::max(0, weights - 4));
        }
        if (betas > 0 && lastBeta)
            add(lastBeta & D3DFVF_LASTBETA_UBYTE4 ? D3DDECLTYPE_UBYTE4 : D3DDECLTYPE_D3DCOLOR,
                D3DDECLUSAGE_BLENDINDICES, 0);
    }
    if (fvf & D3DFVF_NORMAL) add(D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_NORMAL, 0);
    if (fvf & D3DFVF_PSIZE) add(D3DDECLTYPE_FLOAT1, D3DDECLUSAGE_PSIZE, 0);
    if (fvf & D3DFVF_DIFFUSE) add(D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR, 0);
    if (fvf & D3DFVF_SPECULAR) add(D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR, 1);
    const int sets = int((fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT);
    static const BYTE kTypes[4] = {D3DDECLTYPE_FLOAT2, D3DDECLTYPE_FLOAT3, D3DDECLTYPE_FLOAT4, D3DDECLTYPE_FLOAT1};
    for (int i = 0; i < sets && i < 8; ++i) add(kTypes[(fvf >> (16 + 2 * i)) & 3], D3DDECLUSAGE_TEXCOORD, BYTE(i));
    return out;
}

bool BindVertexInputs(const ShaderProgram& vs, std::span<const D3DVERTEXELEMENT9> elements,
                      std::span<const UINT> strides, std::vector<InputFetch>* out, std::string* why) {
    out->clear();
    for (const InputBinding& in : vs.inputs) {
        InputFetch f;
        f.reg = in.reg;
        for (const D3DVERTEXELEMENT9& e : elements) {
            if (e.Usage != in.usage || e.UsageIndex != in.usageIndex) continue;
            if (e.Stream >= strides.size() || strides[e.Stream] == 0) {
                *why = "a vertex element lies in a stream without the draw's vertices";
                return false;
            }
            if (UINT(e.Offset + DeclTypeSize(e.Type)) > strides[e.Stream]) {
                *why = "a vertex element reaches past its vertex";
                return false;
            }
            f.stream = uint8_t(e.Stream);
            f.type = e.Type;
            f.offset = e.Offset;
        }
        out->push_back(f);
    }
    return true;
}

void FetchVertexInputs(std::span<const InputFetch> fetches, std::span<const uint8_t* const> streams,
                       ShaderRegisters* regs) {
    for (const InputFetch& f : fetches)
        regs->v[f.reg] = f.type == D3DDECLTYPE_UNUSED ? Vec4{{0, 0, 0, 1}}
                                                       : ReadDeclElement(f.type, streams[f.stream] + f.offset);
}

}  // namespace host
