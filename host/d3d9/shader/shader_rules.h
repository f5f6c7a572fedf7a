// What each shader model allows: which opcodes each kind of code may use with how many
// operands, how large each register file is, and how many slots an instruction takes.
// The decoder holds code to these once, when a shader object is made.
#pragma once
#include <cstdint>

#include "host/d3d9/shader/shader_program.h"

namespace host {

struct OpShape {
    bool dest = false;
    uint8_t sources = 0;
};

// The shape of `op` in code of this kind and model, or false when the model lacks it.
bool ShapeOf(uint32_t op, bool pixel, ShaderModel model, OpShape* shape);
// Registers of a file that code of this kind and model may read, and write.
int SourceFileSize(bool pixel, ShaderModel model, int file);
int DestFileSize(bool pixel, ShaderModel model, int file);
// Whether a source of `file` may be indexed relatively (by a0 or aL) in this code.
bool RelativeAllowed(bool pixel, ShaderModel model, int file);
// Slots an instruction takes at the least: the matrix macros expand to one dot product a
// row. Other macros (nrm, sincos, pow...) take more on hardware; counting them as one
// never refuses code that fits.
int SlotsOf(uint32_t op);
// Whether texture slots are counted apart from arithmetic ones (ps_2_0 only), and the
// limit of the count: for ps_2_0 `texture` picks which.
int SlotLimit(bool pixel, ShaderModel model, bool texture);
bool SeparateTextureSlots(bool pixel, ShaderModel model);

}  // namespace host
