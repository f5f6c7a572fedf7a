// make_shader_pack: writes the shader pack "OrShaderPack.bin" and the C++ source that holds
// its packed archive image as the engine's data.
//   make_shader_pack PACK_FILE SOURCE_FILE
#include <cstdio>
#include <fstream>
#include <string>

#include "tools/shader_pack/shader_pack.h"

namespace {

bool WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    return bool(out);
}

// The image as an array the engine links against (shader_pack_data.h declares it).
std::string ImageSource(const std::vector<uint8_t>& image) {
    std::string s = "// Made by tools/shader_pack at build time.\n#include \"engine/graphics/shaders/shader_pack_data.h\"\n\n"
                    "namespace orvik {\n\nconst unsigned char kShaderPackImage[] = {";
    for (size_t i = 0; i < image.size(); ++i) {
        s += i % 24 == 0 ? "\n    " : " ";
        s += std::to_string(image[i]) + ",";
    }
    s += "\n};\nconst unsigned long kShaderPackImageSize = sizeof kShaderPackImage;\n\n}  // namespace orvik\n";
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_shader_pack PACK_FILE SOURCE_FILE\n");
        return 2;
    }
    const std::vector<uint8_t> pack = shaderpack::BuildShaderPack(shaderpack::ShaderPackBlobs());
    std::string error;
    const std::vector<uint8_t> image = shaderpack::PackShaderArchive(pack, &error);
    if (image.empty()) {
        std::fprintf(stderr, "make_shader_pack: %s\n", error.c_str());
        return 1;
    }
    if (!WriteFile(argv[1], std::string(pack.begin(), pack.end())) || !WriteFile(argv[2], ImageSource(image))) {
        std::fprintf(stderr, "make_shader_pack: cannot write the output files\n");
        return 1;
    }
    return 0;
}
