#include "host/d3d9/vertex/tessellator_output.h"

#include "host/d3d9/vertex/vertex_element.h"

namespace host {
namespace {

bool IsCorner(const D3DVERTEXELEMENT9& e, BYTE usage) {
    return e.Usage == usage && e.UsageIndex == 0 && e.Method == D3DDECLMETHOD_DEFAULT;
}

bool Readable(const D3DVERTEXELEMENT9& e, const VertexStreams& streams) {
    return e.Stream < kMaxStreams && streams.stride[e.Stream] != 0 &&
           UINT(e.Offset + DeclTypeSize(e.Type)) <= streams.stride[e.Stream];
}

}  // namespace

TessellatorOutput::TessellatorOutput(std::span<const D3DVERTEXELEMENT9> elements, const VertexStreams& streams)
    : streams_(streams) {
    const D3DVERTEXELEMENT9* position = nullptr;
    for (const D3DVERTEXELEMENT9& e : elements)
        if (IsCorner(e, D3DDECLUSAGE_POSITION)) position = &e;
    for (const D3DVERTEXELEMENT9& e : elements) {
        Part part{e, Kind::Linear, false, DeclTypeComponents(e.Type)};
        switch (e.Method) {
            case D3DDECLMETHOD_PARTIALU: part.kind = Kind::PartialU; break;
            case D3DDECLMETHOD_PARTIALV: part.kind = Kind::PartialV; break;
            case D3DDECLMETHOD_CROSSUV: part.kind = Kind::CrossUV; break;
            case D3DDECLMETHOD_UV: part.kind = Kind::UV, part.components = 2; break;
            case D3DDECLMETHOD_LOOKUP: part.kind = Kind::Lookup; break;
            default:
                if (IsCorner(e, D3DDECLUSAGE_POSITION)) part.kind = Kind::Position;
                if (IsCorner(e, D3DDECLUSAGE_NORMAL)) part.kind = Kind::Normal;
        }
        if (part.kind != Kind::UV && !Readable(e, streams)) continue;
        if (part.kind >= Kind::PartialU && part.kind <= Kind::CrossUV) {
            part.components = 3;
            // A method reading the position's own data differentiates the position's patch.
            part.onPosition = position && position->Stream == e.Stream && position->Offset == e.Offset;
        }
        if (part.kind == Kind::Lookup) part.components = 4;  // the map's texel, read from a coordinate
        if (part.kind == Kind::Position) position_ = int(parts_.size());
        if (part.kind == Kind::Normal) normal_ = int(parts_.size());
        elements_.push_back({0, WORD(floats_ * sizeof(float)), BYTE(D3DDECLTYPE_FLOAT1 + part.components - 1),
                             D3DDECLMETHOD_DEFAULT, e.Usage, e.UsageIndex});
        floats_ += size_t(part.components);
        parts_.push_back(part);
    }
    if (floats_ == 0) floats_ = 1;  // keeps the vertex count defined; no part is written
}

void TessellatorOutput::Clear() {
    data_.clear();
    indices_.clear();
}

float* TessellatorOutput::NewVertex() {
    const size_t start = data_.size();
    data_.resize(start + floats_);
    return data_.data() + start;
}

}  // namespace host
