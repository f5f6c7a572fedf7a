// Model bases and instances on the device path: the tables and their reference counts,
// meshes packed into shared device buffers and made again after a release, the textures
// rebuilt on restore, the resizing of images; and the soft-image table.
#include <cstring>

#include "drawing_fixture.h"
#include "engine/graphics/models/model_handles.h"
#include "engine/platform/base/memory.h"
#include "engine/graphics/models/soft_images.h"

namespace orvik_test {
namespace {

using Bytes = std::vector<uint8_t>;

class ModelTest : public DrawingTest {
protected:
    void SetUp() override {
        DrawingTest::SetUp();
        ASSERT_EQ(orvik::ModelSystem().initialised, 1);
    }

    // A mesh of `vertices` vertices of `stride` bytes, filled with a pattern from `seed`.
    static orvik::ModelMesh Mesh(uint32_t vertices, uint32_t stride = 32, int kind = 0, uint8_t seed = 1) {
        orvik::ModelMesh m;
        m.vertexKind = kind;
        m.vertexStride = stride;
        m.vertices.resize(size_t(vertices) * stride);
        for (size_t i = 0; i < m.vertices.size(); ++i) m.vertices[i] = uint8_t(i * 7 + seed);
        m.indices = {0, 1, 2};
        return m;
    }
    static int32_t Base(std::vector<orvik::ModelMesh> meshes) {
        orvik::ModelBase base;
        base.meshes = std::move(meshes);
        return orvik::AddModelBase(std::move(base));
    }
    // The bytes of a device vertex buffer.
    static std::vector<uint8_t> Contents(host::VertexBuffer* vb, uint32_t offset, uint32_t bytes) {
        void* p = nullptr;
        if (!vb || host::FAILED(vb->Lock(offset, bytes, &p, 0))) return {};
        std::vector<uint8_t> out(static_cast<uint8_t*>(p), static_cast<uint8_t*>(p) + bytes);
        vb->Unlock();
        return out;
    }
};

TEST_F(ModelTest, StartUpFillsTheSineTable) {
    const auto& sine = orvik::ModelSystem().sineTable;
    ASSERT_EQ(sine.size(), 65536u);
    EXPECT_FLOAT_EQ(sine[16384], 1.0f);
    EXPECT_NEAR(sine[32768], 0.0f, 1e-6);
    EXPECT_FLOAT_EQ(sine[49152], -1.0f);
}

TEST_F(ModelTest, BasesLiveWhileTheirInstancesDo) {
    const int32_t reserved = orvik::ReserveModelBaseSlot();
    EXPECT_EQ(reserved & 0x78000000, orvik::kModelBaseHandleType);
    EXPECT_EQ(orvik::GetModelBase(reserved), nullptr) << "a reserved slot holds no record";
    const int32_t base = Base({Mesh(10)});
    ASSERT_NE(base, -1);
    EXPECT_EQ(base & orvik::kModelBaseSlotMask, 1) << "the next slot after the reserved one";
    const int32_t a = orvik::AddModelInstance(base), b = orvik::AddModelInstance(base);
    ASSERT_NE(a, -1);
    EXPECT_EQ(a & 0x78000000, orvik::kModelInstanceHandleType);
    EXPECT_EQ(orvik::GetModelBase(base)->references, 3);
    EXPECT_EQ(orvik::DeleteModelBase(base), 0);
    ASSERT_NE(orvik::GetModelBase(base), nullptr) << "its instances still hold it";
    EXPECT_EQ(orvik::DeleteModelInstance(a), 0);
    EXPECT_EQ(orvik::DeleteModelInstance(a), -1) << "a stale instance handle";
    EXPECT_EQ(orvik::DeleteModelInstance(b), 0);
    EXPECT_EQ(orvik::GetModelBase(base), nullptr) << "gone with its last instance";
    EXPECT_EQ(orvik::DeleteModelBase(reserved), 0);
    EXPECT_EQ(orvik::DeleteModelBase(reserved), -1);
    EXPECT_EQ(orvik::AddModelInstance(base), -1);
}

TEST_F(ModelTest, InstanceBlocksAreFreedByIndexWithinRange) {
    const int32_t instance = orvik::AddModelInstance(Base({Mesh(4)}));
    orvik::GetModelInstance(instance)->blocks[orvik::kInstanceMeshBlock].assign(2, std::vector<uint8_t>(16, 1));
    EXPECT_EQ(orvik::FreeModelInstanceBlock(instance, orvik::kInstanceMeshBlock, 1), 0);
    EXPECT_TRUE(orvik::GetModelInstance(instance)->blocks[orvik::kInstanceMeshBlock][1].empty());
    EXPECT_EQ(orvik::FreeModelInstanceBlock(instance, orvik::kInstanceMeshBlock, 2), -1);
    EXPECT_EQ(orvik::FreeModelInstanceBlock(instance, orvik::kInstanceFrameBlock, 0), -1);
    EXPECT_EQ(orvik::FreeModelInstanceBlock(instance, 7, 0), -1);
    EXPECT_EQ(orvik::FreeModelInstanceBlock(instance + 1, orvik::kInstanceMeshBlock, 0), -1);
}

TEST_F(ModelTest, MeshesOfAClassShareBuffersUntilARecordWouldFill) {
    EXPECT_EQ(orvik::ModelSizeClass(63), 0);
    EXPECT_EQ(orvik::ModelSizeClass(64), 1);
    EXPECT_EQ(orvik::ModelSizeClass(255), 1);
    EXPECT_EQ(orvik::ModelSizeClass(256), 2);
    EXPECT_EQ(orvik::ModelSizeClass(size_t(1) << 30), 8);
    // 10000 vertices of 32 bytes: two fit under 0xC0000 bytes, the third starts a record.
    const int32_t h = Base({Mesh(10000, 32, 0, 1), Mesh(10000, 32, 0, 2), Mesh(10000, 32, 0, 3), Mesh(10, 32, 1, 4)});
    ASSERT_EQ(orvik::SetupModelBuffers(h, 1), 0);
    orvik::ModelBase& base = *orvik::GetModelBase(h);
    const auto& meshes = base.meshes;
    EXPECT_EQ(meshes[0].record, meshes[1].record);
    EXPECT_NE(meshes[1].record, meshes[2].record);
    EXPECT_EQ(meshes[0].record->next, meshes[2].record);
    EXPECT_EQ(meshes[1].firstVertex, 10000u);
    EXPECT_EQ(meshes[1].firstIndex, 3u);
    EXPECT_EQ(meshes[2].firstVertex, 0u);
    EXPECT_NE(meshes[3].record, meshes[0].record) << "another vertex kind, another chain";
    for (const orvik::ModelMesh& m : meshes)
        EXPECT_EQ(Contents(m.record->vertices, m.firstVertex * 32, uint32_t(m.vertices.size())), m.vertices);
    EXPECT_EQ(orvik::SetupModelBuffers(h, 1), 0) << "made once";
    EXPECT_EQ(orvik::SetupModelBuffers(h + 5, 1), -1);
}

TEST_F(ModelTest, ReleasedBuffersAreMadeAgainWithTheSameContents) {
    const int32_t h = Base({Mesh(100, 24), Mesh(30, 24)});
    orvik::ModelMesh skinned = Mesh(20, 24, 2, 9);
    skinned.ownBuffer = 1;
    orvik::GetModelBase(h)->meshes.push_back(skinned);
    const int32_t instance = orvik::AddModelInstance(h);
    ASSERT_EQ(orvik::SetupModelBuffers(h, 0), 0);
    ASSERT_EQ(orvik::CreateModelVertexBuffer(instance), 0);
    orvik::ModelInstance& i = *orvik::GetModelInstance(instance);
    EXPECT_EQ(i.meshBuffers[0], nullptr) << "shared meshes take no buffer of their own";
    ASSERT_NE(i.meshBuffers[2], nullptr);
    EXPECT_EQ(Contents(i.meshBuffers[2], 0, 480), skinned.vertices);
    ASSERT_EQ(orvik::ReleaseAllModelDeviceObjects(), 0);
    EXPECT_EQ(orvik::GetModelBase(h)->deviceObjectsMade, 0);
    EXPECT_EQ(orvik::GetModelBase(h)->meshes[0].record, nullptr);
    EXPECT_EQ(i.meshBuffers[2], nullptr);
    ASSERT_EQ(orvik::ResetupAllModelBases(), 0);
    const orvik::ModelMesh& second = orvik::GetModelBase(h)->meshes[1];
    ASSERT_NE(second.record, nullptr);
    EXPECT_EQ(Contents(second.record->vertices, second.firstVertex * 24, 720), second.vertices)
        << "the system copies stay, so the data comes back";
}

TEST_F(ModelTest, ImagesAreResizedNearestOrFiltered) {
    orvik::BaseImage source{}, dest{};
    ASSERT_EQ(orvik::NewXrgb32BaseImage(2, 1, &source), 0);
    orvik::WriteBaseImagePixel(&source, 0, 0, 0, 0, 0, 255);
    orvik::WriteBaseImagePixel(&source, 1, 0, 255, 255, 255, 255);
    ASSERT_EQ(orvik::NewXrgb32BaseImage(4, 1, &dest), 0);
    ASSERT_EQ(orvik::TransferBaseImageToGraph(0, 0, 2, 1, &source, 0, 0, 4, 1, &dest, 0), 0);
    int r = 0;
    const int nearest[4] = {0, 0, 255, 255};
    for (int x = 0; x < 4; ++x) {
        orvik::ReadBaseImagePixelRGBA(&dest, x, 0, &r, nullptr, nullptr, nullptr);
        EXPECT_EQ(r, nearest[x]) << x;
    }
    ASSERT_EQ(orvik::TransferBaseImageToGraph(0, 0, 2, 1, &source, 0, 0, 4, 1, &dest, 1), 0);
    const int filtered[4] = {0, 127, 255, 255};  // half-way between 0 and 255, then the edge
    for (int x = 0; x < 4; ++x) {
        orvik::ReadBaseImagePixelRGBA(&dest, x, 0, &r, nullptr, nullptr, nullptr);
        EXPECT_EQ(r, filtered[x]) << x;
    }
    EXPECT_EQ(orvik::TransferBaseImageToGraph(0, 0, 3, 1, &source, 0, 0, 4, 1, &dest, 0), -1) << "outside the source";
    EXPECT_EQ(orvik::TransferBaseImageToGraph(1, 0, 1, 1, &source, 0, 0, 4, 1, &dest, 0), -1) << "empty";
    orvik::FreeBaseImage(&source);
    orvik::FreeBaseImage(&dest);
}

Bytes TgaFile(int w, int h, uint8_t grey, bool gradient = false) {
    Bytes tga = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, uint8_t(w), uint8_t(w >> 8), uint8_t(h), uint8_t(h >> 8), 32, 0x28};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint8_t v = gradient ? uint8_t(x * 16) : grey;
            tga.insert(tga.end(), {v, v, v, 255});
        }
    return tga;
}

TEST_F(ModelTest, MaterialTexturesTakePowerOfTwoSidesAndBumpsBecomeNormals) {
    orvik::BaseImage color{}, alpha{};
    const Bytes alphaOnly = TgaFile(100, 90, 200);
    ASSERT_EQ(orvik::CreateModelBaseTextures(&color, &alpha, nullptr, 0, alphaOnly.data(), int32_t(alphaOnly.size()),
                                             0, 1.0f, 0),
              0);
    EXPECT_EQ(color.width, 128);
    EXPECT_EQ(color.height, 64) << "the nearest power of two, not the next";
    EXPECT_EQ(orvik::ReadBaseImagePixel(&color, 5, 5) & 0xFFFFFF, 0xFFFFFFu) << "white without a colour image";
    EXPECT_EQ(alpha.width, 128);
    orvik::FreeBaseImage(&color);
    orvik::FreeBaseImage(&alpha);
    const Bytes flat = TgaFile(8, 8, 90), slope = TgaFile(8, 8, 0, true);
    ASSERT_EQ(orvik::CreateModelBaseTextures(&color, &alpha, flat.data(), int32_t(flat.size()), nullptr, 0, 1, 4.0f, 0), 0);
    EXPECT_EQ(orvik::ReadBaseImagePixel(&color, 3, 3) & 0xFFFFFF, 0x8080FFu) << "a flat height map faces straight up";
    orvik::FreeBaseImage(&color);
    ASSERT_EQ(orvik::CreateModelBaseTextures(&color, &alpha, slope.data(), int32_t(slope.size()), nullptr, 0, 1, 4.0f, 0), 0);
    int r = 0, g = 0, b = 0;
    orvik::ReadBaseImagePixelRGBA(&color, 2, 2, &r, &g, &b, nullptr);
    EXPECT_LT(r, 128) << "rising to the right tips the normal left";
    EXPECT_EQ(g, 128);
    orvik::ReadBaseImagePixelRGBA(&color, 7, 2, &r, &g, &b, nullptr);
    EXPECT_GT(r, 128) << "the edge wraps to the low first column";
    orvik::FreeBaseImage(&color);
    const Bytes junk(40, 7);
    EXPECT_EQ(orvik::CreateModelBaseTextures(&color, &alpha, junk.data(), 40, nullptr, 0, 0, 1.0f, 0), -1);
    EXPECT_EQ(orvik::CreateModelBaseTextures(&color, &alpha, nullptr, 0, nullptr, 0, 0, 1.0f, 0), -1);
    EXPECT_EQ(color.pixels, nullptr);
}

TEST_F(ModelTest, RestoreRebuildsTheShadingGraphicsAndMaterialTextures) {
    orvik::ModelBase data;
    orvik::ModelMaterial material;
    material.colorFile = TgaFile(16, 16, 0x40);
    data.materials.push_back(material);
    const int32_t h = orvik::AddModelBase(std::move(data));
    ASSERT_EQ(orvik::RestoreModelTextures(), 0);
    const auto& graphs = orvik::ModelSystem().shadingGraphs;
    int w = 0, ht = 0;
    ASSERT_EQ(orvik::QueryGraphSize(graphs[0], &w, &ht), 0);
    EXPECT_EQ(w * 1000 + ht, 8008);
    ASSERT_EQ(orvik::QueryGraphSize(graphs[2], &w, &ht), 0);
    EXPECT_EQ(w * 1000 + ht, 256008);
    ASSERT_EQ(orvik::DrawGraphAt(0, 20, graphs[1], 0), 0);
    EXPECT_EQ(Pixel(10, 24), 0x606060u) << "the darkest band of the shading ramp";
    EXPECT_EQ(Pixel(250, 24), 0xFFFFFFu);
    ASSERT_EQ(orvik::DrawGraphAt(0, 0, graphs[2], 0), 0);
    for (int x : {0, 1, 100, 255}) EXPECT_EQ(Pixel(x, 4), uint32_t(x * 0x010101)) << "the grey ramp at " << x;
    const int32_t texture = orvik::GetModelBase(h)->materials[0].textureGraph;
    ASSERT_NE(texture, -1);
    ASSERT_EQ(orvik::DrawGraphAt(300, 0, texture, 0), 0);
    EXPECT_EQ(Pixel(305, 5), 0x404040u);
    ASSERT_EQ(orvik::RestoreModelTextures(), 0);
    EXPECT_EQ(orvik::ModelSystem().shadingGraphs[2], graphs[2]) << "refilled in place";
    EXPECT_EQ(orvik::GetModelBase(h)->materials[0].textureGraph, texture);
}

TEST_F(ModelTest, ShutdownLeavesNothingBehind) {
    const int32_t blocks = orvik::TrackedMemory().blockCount;
    const int32_t h = Base({Mesh(50)});
    orvik::AddModelInstance(h);
    orvik::AddModelInstance(h);
    orvik::SetupModelBuffers(h, 1);
    orvik::BaseImage image{};
    ASSERT_EQ(orvik::NewXrgb32BaseImage(4, 4, &image), 0);
    ASSERT_NE(orvik::AddSoftImageHandle(&image), -1);
    ASSERT_EQ(orvik::TermModelSystem(), 0);
    ASSERT_EQ(orvik::TerminateSoftImages(), 0);
    EXPECT_EQ(orvik::ModelInstanceCount(), 0);
    EXPECT_EQ(orvik::GetModelBase(h), nullptr);
    EXPECT_EQ(orvik::TrackedMemory().blockCount, blocks);
}

TEST(SoftImages, ReleaseTwiceFailsAndTheHighWaterSkipsEmptySlots) {
    HeadlessEngine engine;
    int32_t handles[4];
    for (int32_t& h : handles) {
        orvik::BaseImage image{};
        ASSERT_EQ(orvik::NewXrgb32BaseImage(2, 2, &image), 0);
        h = orvik::AddSoftImageHandle(&image);
        ASSERT_NE(h, -1);
        EXPECT_EQ(image.pixels, nullptr) << "the table took the pixels over";
        EXPECT_EQ(h & 0x78000000, orvik::kSoftImageHandleType);
    }
    EXPECT_EQ(orvik::GetSoftImage(handles[1])->width, 2);
    EXPECT_EQ(orvik::ReleaseSoftImageHandle(handles[1]), 0);
    EXPECT_EQ(orvik::ReleaseSoftImageHandle(handles[1]), -1);
    EXPECT_EQ(orvik::ReleaseSoftImageHandle(handles[2]), 0);
    EXPECT_EQ(orvik::SoftImageHighWater(), 4);
    EXPECT_EQ(orvik::ReleaseSoftImageHandle(handles[3]), 0);
    EXPECT_EQ(orvik::SoftImageHighWater(), 1) << "past the two empty slots below";
    EXPECT_EQ(orvik::SoftImageCount(), 1);
    orvik::BaseImage empty{};
    EXPECT_EQ(orvik::AddSoftImageHandle(&empty), -1);
    EXPECT_EQ(orvik::DeleteAllSoftImageHandles(), 0);
    EXPECT_EQ(orvik::SoftImageCount(), 0);
    EXPECT_EQ(orvik::SoftImageHighWater(), 0);
}

TEST(SoftImages, PixelsAreWrittenAndReadBackInsideTheImageOnly) {
    HeadlessEngine engine;
    EXPECT_EQ(orvik::MakeSoftImage(0, 4), -1);
    EXPECT_EQ(orvik::MakeSoftImage(3, -1), -1);
    const int32_t h = orvik::MakeSoftImage(3, 2);
    ASSERT_NE(h, -1);
    int w = 0, ht = 0;
    ASSERT_EQ(orvik::GetSoftImageSize(h, &w, &ht), 0);
    EXPECT_EQ(w, 3);
    EXPECT_EQ(ht, 2);
    int r = -1, g = -1, b = -1, a = -1;
    ASSERT_EQ(orvik::GetPixelSoftImage(h, 2, 1, &r, &g, &b, &a), 0);
    EXPECT_EQ(r | g | b | a, 0) << "a new image is black and transparent";

    ASSERT_EQ(orvik::DrawPixelSoftImage(h, 2, 1, 10, 200, 30, 128), 0);
    ASSERT_EQ(orvik::GetPixelSoftImage(h, 2, 1, &r, &g, &b, &a), 0);
    EXPECT_EQ(r, 10);
    EXPECT_EQ(g, 200);
    EXPECT_EQ(b, 30);
    EXPECT_EQ(a, 128);
    ASSERT_EQ(orvik::GetPixelSoftImage(h, 1, 1, &r, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(r, 0) << "the neighbour is untouched";

    // Just outside each edge nothing is written or read.
    EXPECT_EQ(orvik::DrawPixelSoftImage(h, 3, 0, 1, 1, 1, 1), -1);
    EXPECT_EQ(orvik::DrawPixelSoftImage(h, 0, 2, 1, 1, 1, 1), -1);
    EXPECT_EQ(orvik::DrawPixelSoftImage(h, -1, 0, 1, 1, 1, 1), -1);
    EXPECT_EQ(orvik::GetPixelSoftImage(h, 0, -1, &r, &g, &b, &a), -1);

    ASSERT_EQ(orvik::ReleaseSoftImageHandle(h), 0);
    EXPECT_EQ(orvik::GetSoftImageSize(h, &w, &ht), -1);
    EXPECT_EQ(orvik::DrawPixelSoftImage(h, 0, 0, 1, 1, 1, 1), -1);
    EXPECT_EQ(orvik::SoftImageCount(), 0);
}

}  // namespace
}  // namespace orvik_test
