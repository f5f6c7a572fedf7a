// Shader objects and vertex declarations: bytecode and declarations checked as a driver
// would, and each shader kept with its code decoded for the interpreter.
#pragma once
#include <atomic>
#include <cstddef>
#include <vector>

#include "host/d3d9/vertex/declaration_layout.h"
#include "host/d3d9/resources/resources.h"
#include "host/d3d9/shader/shader_lanes.h"
#include "host/d3d9/shader/shader_program.h"
#include "host/d3d9/shader/shader_types.h"

namespace host {

// Walks a token stream of shader model 2: the version token, instructions with their
// length field, comment tokens, up to the end token 0x0000FFFF. Returns the stream's size
// in bytes, or 0 when it is malformed or does not end within maxBytes. Reads no further
// than maxBytes.
size_t MeasureShaderCode(const DWORD* tokens, size_t maxBytes);

// Objects of one kind alive now, to find leaks in tests.
struct ShaderObjectCounts {
    int vertexShaders = 0, pixelShaders = 0, declarations = 0;
};
ShaderObjectCounts LiveShaderObjects();

// A shader object keeps a copy of its code (read back with GetFunction).
class ShaderObject : public Unknown {
public:
    ShaderObject(const DWORD* tokens, size_t bytes, ShaderProgram program, std::atomic<int>* live);
    ~ShaderObject() override;
    // With null data only the size is returned.
    HRESULT GetFunction(void* data, UINT* bytes) const;
    DWORD Version() const { return code_.empty() ? 0 : code_[0]; }
    const ShaderProgram& Program() const { return program_; }

private:
    std::vector<DWORD> code_;
    ShaderProgram program_;
    std::atomic<int>* live_;
};

class VertexShader : public ShaderObject {
public:
    VertexShader(const DWORD* tokens, size_t bytes, ShaderProgram program);
};

class PixelShader : public ShaderObject {
public:
    PixelShader(const DWORD* tokens, size_t bytes, ShaderProgram program);
    // The code compiled once for rows of pixels (not Usable() for code that cannot run so).
    const LaneProgram& Lanes() const { return lanes_; }

private:
    LaneProgram lanes_;
};

class VertexDeclaration : public Unknown {
public:
    explicit VertexDeclaration(std::vector<D3DVERTEXELEMENT9> elements);
    ~VertexDeclaration() override;
    // The elements with the end marker; with null elements only the count is returned.
    HRESULT GetDeclaration(D3DVERTEXELEMENT9* elements, UINT* count) const;
    const std::vector<D3DVERTEXELEMENT9>& Elements() const { return elements_; }
    // Where the fixed-function pipeline finds the vertices' parts: found once, as the
    // elements never change.
    const FvfLayout& Layout() const { return layout_; }

private:
    std::vector<D3DVERTEXELEMENT9> elements_;
    FvfLayout layout_;
};

// The elements of a list up to its end marker, or false when one is invalid (stream,
// offset, type, method or usage out of range, a usage given twice, no end marker within
// MAXD3DDECLLENGTH elements).
bool ReadDeclaration(const D3DVERTEXELEMENT9* list, std::vector<D3DVERTEXELEMENT9>* out);

}  // namespace host
