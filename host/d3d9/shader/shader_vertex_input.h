// A vertex shader's input registers filled from the caller's vertices: each declared
// input found by usage and usage index among the vertex declaration's elements, or among
// the fields of the flexible vertex format when no declaration is set.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "host/d3d9/shader/shader_run.h"
#include "host/d3d9/shader/shader_types.h"
#include "host/d3d9/vertex/vertex_element.h"

namespace host {

struct InputFetch {
    uint8_t reg = 0;
    uint8_t stream = 0;
    BYTE type = D3DDECLTYPE_UNUSED;  // UNUSED: the vertex lacks it and it reads (0, 0, 0, 1)
    uint16_t offset = 0;
};

// The elements an FVF describes, as a declaration would list them, all in stream 0.
std::vector<D3DVERTEXELEMENT9> FvfElements(DWORD fvf);

// How `vs`'s inputs are read from vertices laid out by `elements`. False, with the reason,
// when an element the shader reads lies outside `strides[stream]` bytes or in a stream
// without vertices (stride 0).
bool BindVertexInputs(const ShaderProgram& vs, std::span<const D3DVERTEXELEMENT9> elements,
                      std::span<const UINT> strides, std::vector<InputFetch>* out, std::string* why);

// Fills the input registers from one vertex: `streams[s]` points at its data in stream s.
void FetchVertexInputs(std::span<const InputFetch> fetches, std::span<const uint8_t* const> streams,
                       ShaderRegisters* regs);

}  // namespace host
