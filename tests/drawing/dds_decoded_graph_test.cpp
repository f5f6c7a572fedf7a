// DDS layouts decoded when loaded (here BC7 with its mip levels) make graphics like any
// 32-bit image with alpha: the texture has the file's level count, rebuilt from the
// decoded top level, and draws the decoded texels.
#include <fstream>
#include <string>

#include "../support/bc_block_writer.h"
#include "../support/image_file_builders.h"
#include "drawing_fixture.h"
#include "engine/graphics/handles/graph_textures.h"

namespace orvik_test {
namespace {

using namespace orvik;

// A BC7 mode 6 block of one colour: both endpoints red 200, green 100, blue 50 (7-bit
// fields and a p-bit of 0), alpha 255 (127 and a p-bit of 1); all indices 0.
imagetest::Bytes SolidBc7Block() {
    imagetest::BcBlockWriter w;
    w.Put(0x40, 7);
    for (int v : {100, 100, 50, 50, 25, 25, 127, 127}) w.Put(uint32_t(v), 7);
    w.Put(0, 1);
    w.Put(0, 1);
    return w.Bytes();
}

TEST_F(DrawingTest, Bc7FileWithMipLevelsDrawsItsDecodedColour) {
    imagetest::DdsSpec dds;
    dds.fourCc = "DX10";
    dds.extraHeader = imagetest::Dx10Header(98);
    dds.width = dds.height = 8;
    dds.mipCount = 4;
    for (int block = 0; block < 4 + 1 + 1 + 1; ++block) {
        const imagetest::Bytes b = SolidBc7Block();
        dds.data.insert(dds.data.end(), b.begin(), b.end());
    }
    const imagetest::Bytes file = imagetest::MakeDds(dds);
    const std::string path = engine_.Log().Directory() + "/solid_bc7.dds";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
    const int32_t handle = LoadImageToGraph(path.c_str(), 0);
    ASSERT_GE(handle, 0);
    const TexturePiece& piece = GetGraphRecord(handle)->images->pieces.at(0);
    EXPECT_EQ(piece.texture->GetLevelCount(), 4u);
    ASSERT_EQ(DrawFilledBox(0, 0, 20, 20, GetColorValue(0, 0, 255)), 0);
    // Drawn without transparency: the decoded colour itself, not mixed by its alpha.
    ASSERT_EQ(DrawGraphAt(2, 2, handle, 0), 0);
    EXPECT_EQ(Pixel(2, 2), 0xC86432u);
    EXPECT_EQ(Pixel(9, 9), 0xC86432u);
    EXPECT_EQ(Pixel(10, 10), 0x0000FFu);
}

}  // namespace
}  // namespace orvik_test
