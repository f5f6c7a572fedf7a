// Drawing with programmable shaders: the vertex shader in place of the fixed-function
// transform, and the pixel shader in place of the texture stages.
#include <algorithm>
#include <array>
#include <initializer_list>
#include <string>

#include "host/d3d9/device.h"
#include "host/d3d9/shader_link.h"
#include "host/d3d9/shader_sampler.h"
#include "host/d3d9/shader_vertex_input.h"
#include "host/debug_output.h"

namespace host {
namespace {

// The fixed-function vertex stage leaves its fog factor in the specular alpha.
ShadedVertex FromFixedFunction(const float pos[4], uint32_t diffuse, uint32_t specular) {
    ShadedVertex v;
    std::copy(pos, pos + 4, v.pos);
    v.attr[0] = ColorToVec4(diffuse);
    v.attr[1] = ColorToVec4(specular);
    v.fog = v.attr[1][3];
    return v;
}

// The elements of the vertices: the declaration's when one is set, else the FVF's.
std::vector<D3DVERTEXELEMENT9> ElementsOf(const VertexDeclaration* declaration, DWORD fvf) {
    return declaration ? declaration->Elements() : FvfElements(fvf);
}

// The texture coordinate sets of vertices the fixed-function stage reads (from a declaration
// or an FVF) as a pixel shader sees them: every component the vertex gives, the others 0
// (and q 1). Set n is fetched into register n.
std::vector<InputFetch> TexCoordFetches(std::span<const D3DVERTEXELEMENT9> elements) {
    std::vector<InputFetch> out;
    for (const D3DVERTEXELEMENT9& e : elements)
        if (e.Usage == D3DDECLUSAGE_TEXCOORD) out.push_back({e.UsageIndex, 0, e.Type, e.Offset});
    return out;
}

void MapShaded(const ViewportMap& map, ShadedVertex* v) {
    float screen[4];
    MapPosition(v->pos, map, screen);
    std::copy(screen, screen + 4, v->pos);
}

void LogRefusal(const std::string& why) { OutputDebugStringA(("Direct3D9: draw refused: " + why + "\n").c_str()); }

}  // namespace

ClipVertex ToClipVertex(const ShadedVertex& v, bool vertexFog) {
    ClipVertex c;
    std::copy(v.pos, v.pos + 4, c.pos);
    c.diffuse = Vec4ToColor(v.attr[0]);
    c.specular = Vec4ToColor(v.attr[1]);
    if (vertexFog) c.specular = (c.specular & 0xFFFFFFu) | FogByte(Saturate(v.fog)) << 24;
    for (int n = 0; n < kMaxTexCoordSets; ++n)
        for (int k = 0; k < kTexCoordComponents; ++k) c.tc[n][k] = v.attr[2 + n][k];
    return c;
}

bool Device::RunVertexShader(const uint8_t* vertices, UINT count, UINT stride, int64_t first,
                             std::vector<ShadedVertex>* out) {
    const ShaderProgram& vs = vertexShader_->Program();
    const std::vector<D3DVERTEXELEMENT9> elements = ElementsOf(declaration_, fvf_);
    // Each stream's first vertex and stride; a stream without the draw's vertices keeps
    // stride 0, and an element in it refuses the draw.
    std::array<UINT, 16> strides{};
    std::array<const uint8_t*, 16> bases{};
    strides[0] = stride;
    bases[0] = vertices;
    for (size_t s = 1; first >= 0 && s < strides.size(); ++s) {
        const StreamSource& source = moreStreams_[s - 1];
        if (!source.buffer || source.stride == 0 || source.buffer->IsLocked()) continue;
        if (source.offset + (uint64_t(first) + count) * source.stride > source.buffer->Length()) continue;
        strides[s] = source.stride;
        bases[s] = source.buffer->Bytes() + source.offset + size_t(first) * source.stride;
    }
    std::vector<InputFetch> fetches;
    std::string why;
    if (!BindVertexInputs(vs, elements, strides, &fetches, &why)) {
        LogRefusal(why);
        return false;
    }
    ProgramConstants k;
    k.Load(vs, vsConstF_, vsConstI_, vsConstB_);
    // Code that never writes oFog leaves its vertices clear of fog.
    const bool writesFog = WritesRegister(vs, kFileRastOut, 1);
    const VertexOutputMap outputs = MapVertexOutputs(vs, PixelSlots(pixelShader_ ? &pixelShader_->Program() : nullptr));
    // texldl of model 3.0 vertex code reads the vertex stage's own samplers.
    std::vector<StageSampler> samplers(kShaderSamplers);
    for (int s = 0; s < kVertexSamplers; ++s)
        FillSampler(int(SamplerSlot(D3DVERTEXTEXTURESAMPLER0 + DWORD(s))), vs.samplers >> s & 1, &samplers[size_t(s)]);
    DeviceShaderSampler sampler(samplers.data(), vs);
    out->resize(count);
    ShaderRegisters regs;
    for (UINT i = 0; i < count; ++i) {
        // Outputs the program leaves unwritten read as zero.
        regs = ShaderRegisters{};
        std::array<const uint8_t*, 16> streams{};
        for (size_t s = 0; s < streams.size(); ++s)
            if (strides[s]) streams[s] = bases[s] + size_t(i) * strides[s];
        FetchVertexInputs(fetches, streams, &regs);
        if (!RunShader(vs, k, regs, &sampler)) {
            LogRefusal("the vertex shader ran past its instruction or call limits");
            return false;
        }
        StoreVertexOutputs(vs, outputs, writesFog, regs, &(*out)[i]);
    }
    return true;
}

HRESULT Device::DrawWithPixelShader(const DrawState& st, const FvfLayout& layout, D3DPRIMITIVETYPE type,
                                    UINT primitiveCount, const uint8_t* vertices, UINT vertexCount, UINT stride,
                                    int64_t first, const IndexList& index) {
    // The vertex stage: the vertex shader, or the fixed-function transform of the vertices
    // an FVF or a declaration describes.
    std::vector<ShadedVertex> verts;
    const bool onScreen = !vertexShader_ && layout.pretransformed;
    // The vertices' own texture coordinates, every component of them, for the sets the
    // fixed-function stage passes through unchanged; sets the vertices lack read (0, 0, 0, 1).
    const std::vector<InputFetch> texCoords =
        vertexShader_ ? std::vector<InputFetch>{} : TexCoordFetches(ElementsOf(declaration_, fvf_));
    ShaderRegisters sets;
    auto ownSets = [&](UINT i) {
        const uint8_t* p = vertices + size_t(i) * stride;
        FetchVertexInputs(texCoords, {&p, 1}, &sets);
        for (int n = 0; n < kTexCoordRegs; ++n) verts[i].attr[2 + n] = Vec4{{0, 0, 0, 1}};
        for (const InputFetch& f : texCoords) verts[i].attr[2 + f.reg] = sets.v[f.reg];
    };
    if (vertexShader_) {
        if (!RunVertexShader(vertices, vertexCount, stride, first, &verts)) return D3DERR_INVALIDCALL;
    } else if (onScreen) {
        verts.resize(vertexCount);
        for (UINT i = 0; i < vertexCount; ++i) {
            ScreenVertex s;
            FetchPretransformed(layout, vertices + size_t(i) * stride, &s);
            const float pos[4] = {s.x, s.y, s.z, s.rhw};
            verts[i] = FromFixedFunction(pos, s.diffuse, s.specular);
            ownSets(i);
        }
    } else {
        // Lit, fogged and with their texture coordinates made as without a pixel shader.
        std::vector<ClipVertex> clip;
        const bool madeSets = FetchUntransformed(layout, vertices, vertexCount, stride,
                                                 MultiplyMatrices(MultiplyMatrices(world_, view_), projection_), &clip);
        verts.resize(vertexCount);
        for (UINT i = 0; i < vertexCount; ++i) {
            const ClipVertex& c = clip[i];
            verts[i] = FromFixedFunction(c.pos, c.diffuse, c.specular);
            // A generated or transformed set's divisor is its fourth component, which
            // texldp divides by; sets passed through keep the vertex's own q.
            if (!madeSets) {
                ownSets(i);
                continue;
            }
            for (int n = 0; n < kTexCoordRegs; ++n)
                verts[i].attr[2 + n] = Vec4{{c.tc[n][0], c.tc[n][1], c.tc[n][2], c.tq[n]}};
        }
    }
    const ShaderProgram& ps = pixelShader_->Program();
    // Model 3.0 pixel code reads by usage what an earlier vertex stage left in fixed places.
    if (ps.model == kModel30 && !(vertexShader_ && vertexShader_->Program().model == kModel30)) {
        const SlotSemantics slots = PixelSlots(&ps);
        for (ShadedVertex& v : verts) RelinkFixedPlaces(slots, &v);
    }
    ProgramConstants k;
    k.Load(ps, psConstF_, psConstI_, psConstB_);
    std::vector<StageSampler> samplers(kShaderSamplers);
    for (int s = 0; s < kShaderSamplers; ++s) FillSampler(s, ps.samplers >> s & 1, &samplers[size_t(s)]);
    const PixelProgram pp{&ps, &k, samplers.data()};
    const ViewportMap map{float(viewport_.X), float(viewport_.Y), float(viewport_.Width), float(viewport_.Height),
                          viewport_.MinZ, viewport_.MaxZ};
    // Clip-space primitives are clipped, then mapped to the screen.
    std::vector<ShadedVertex> poly;
    auto clipped = [&](std::initializer_list<UINT> corners) {
        ShadedVertex in[3];
        int n = 0;
        for (UINT c : corners) in[n++] = verts[c];
        if (onScreen) poly.assign(in, in + n);
        else ClipPolygon(in, n, &poly);
        if (!onScreen)
            for (ShadedVertex& v : poly) MapShaded(map, &v);
        return poly.size();
    };
    auto triangle = [&](UINT a, UINT b, UINT c, UINT flat) {
        const size_t n = clipped({a, b, c});
        for (size_t i = 2; i < n; ++i) RasterShaderTriangle(st, pp, poly[0], poly[i - 1], poly[i], verts[flat]);
    };
    auto line = [&](UINT a, UINT b) {
        if (clipped({a, b}) == 2) RasterShaderLine(st, pp, poly[0], poly[1], verts[a]);
    };
    auto point = [&](UINT a) {
        if (!onScreen && !InsideClipVolume(verts[a].pos)) return;
        if (clipped({a}) == 1) RasterShaderPoint(st, pp, poly[0]);
    };
    AssemblePrimitives(type, primitiveCount, index, triangle, line, point, [](UINT) { return false; });
    renderTarget_->Touch();
    return D3D_OK;
}

}  // namespace host
