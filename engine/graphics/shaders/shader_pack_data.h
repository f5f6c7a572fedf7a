// The shader pack as the library carries it: an archive holding "OrShaderPack.bin", the
// archive image LZ-packed. Made at build time by tools/shader_pack.
#pragma once

namespace orvik {

extern const unsigned char kShaderPackImage[];
extern const unsigned long kShaderPackImageSize;

}  // namespace orvik
