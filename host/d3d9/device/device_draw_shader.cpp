// Drawing with programmable shaders: the vertex shader in place of the fixed-function
// transform, and the pixel shader in place of the texture stages.
#include <algorithm>
#include <array>
#include <initializer_list>
#include <optional>
#include <string>

#include "host/d3d9/device/d3d9_host.h"
#include "host/d3d9/device/device.h"
#include "host/d3d9/shader/shader_link.h"
#include "host/d3d9/shader/shader_sampler.h"
#include "host/d3d9/shader/shader_vertex_input.h"
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

void MapShaded(const ViewportMap& map, ShadedVertex* v) {
    float screen[4];
    MapPosition(v->pos, map, screen);
    std::copy(screen, screen + 4, v->pos);
}

void LogRefusal(const std::string& why) { OutputDebugStringA(("Direct3D9: draw refused: " + why + "\n").c_str()); }

}  // namespace

bool Device::AbandonedByWatchdog() {
    if (!watchdog_.Expired()) return false;
    if (loss_ == DeviceLoss::None) {
        OutputDebugStringA(("Direct3D9: device lost: a draw's shaders worked past the watchdog's " +
                            std::to_string(watchdog_.TimeoutMicros() / 1000) + " ms, and the draw was abandoned\n")
                               .c_str());
        // As after a GPU reset: the device can be reset at once.
        loss_ = DeviceLoss::NotReset;
    }
    return true;
}

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

bool Device::RunVertexShader(const VertexStreams& vertexStreams, UINT count, std::vector<ShadedVertex>* out) {
    const ShaderProgram& vs = vertexShader_->Program();
    const std::vector<D3DVERTEXELEMENT9> elements = ElementsOf(declaration_, fvf_);
    // A stream without the draw's vertices has stride 0, and an element in it refuses the draw.
    std::vector<InputFetch> fetches;
    std::string why;
    if (!BindVertexInputs(vs, elements, vertexStreams.stride, &fetches, &why)) {
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
        std::array<const uint8_t*, kMaxStreams> streams{};
        for (int s = 0; s < kMaxStreams; ++s)
            if (vertexStreams.stride[s]) streams[size_t(s)] = vertexStreams.Vertex(s, i);
        FetchVertexInputs(fetches, streams, &regs);
        if (!RunShader(vs, k, regs, &sampler, &watchdog_)) {
            LogRefusal("the vertex shader ran past its instruction or call limits");
            return false;
        }
        if (AbandonedByWatchdog()) return false;
        StoreVertexOutputs(vs, outputs, writesFog, regs, &(*out)[i]);
    }
    return true;
}

HRESULT Device::DrawWithPixelShader(const DrawState& st, const FvfLayout& layout, D3DPRIMITIVETYPE type,
                                    UINT primitiveCount, const VertexStreams& streams, UINT vertexCount,
                                    const IndexList& index) {
    // A draw on a multisampled target whose time ran out on an earlier sample is over.
    if (AbandonedByWatchdog()) return D3D_OK;
    // The vertex stage: the vertex shader, or the fixed-function transform of the vertices
    // an FVF or a declaration describes.
    std::vector<ShadedVertex> verts;
    const bool onScreen = !vertexShader_ && layout.pretransformed;
    // The vertices' own texture coordinates, every component of them, for the sets the
    // fixed-function stage passes through unchanged; sets the vertices lack read (0, 0, 0, 1).
    auto ownSets = [&](UINT i) {
        for (int n = 0; n < kTexCoordRegs; ++n) {
            const ElementPlace& e = layout.tex[n];
            verts[i].attr[2 + n] =
                e.Present() ? ReadDeclElement(e.type, streams.Vertex(e.stream, i) + e.offset) : Vec4{{0, 0, 0, 1}};
        }
    };
    if (vertexShader_) {
        if (!RunVertexShader(streams, vertexCount, &verts)) return watchdog_.Expired() ? D3D_OK : D3DERR_INVALIDCALL;
    } else if (onScreen) {
        verts.resize(vertexCount);
        for (UINT i = 0; i < vertexCount; ++i) {
            ScreenVertex s;
            FetchPretransformed(layout, streams, i, &s);
            const float pos[4] = {s.x, s.y, s.z, s.rhw};
            verts[i] = FromFixedFunction(pos, s.diffuse, s.specular);
            ownSets(i);
        }
    } else {
        // Lit, fogged and with their texture coordinates made as without a pixel shader.
        std::vector<ClipVertex> clip;
        const bool madeSets = FetchUntransformed(layout, streams, vertexCount,
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
    // The general path runs pixel by pixel, so that the two can be compared.
    std::optional<LaneRun> lanes;
    if (pixelShader_->Lanes().Usable() && !D3D9Settings().forceGenericPath) lanes.emplace(pixelShader_->Lanes(), k);
    const PixelProgram pp{&ps, &k, samplers.data(), &watchdog_, lanes ? &*lanes : nullptr};
    const ViewportMap map{float(viewport_.X), float(viewport_.Y), float(viewport_.Width), float(viewport_.Height),
                          viewport_.MinZ, viewport_.MaxZ};
    // Clip-space primitives are clipped, then mapped to the screen; none once the draw's
    // time is up.
    std::vector<ShadedVertex> poly;
    auto clipped = [&](std::initializer_list<UINT> corners) {
        if (watchdog_.Expired()) return size_t(0);
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
    AbandonedByWatchdog();
    renderTarget_->Touch();
    return D3D_OK;
}

}  // namespace host
