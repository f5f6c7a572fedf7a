// The vertex batch: its capacity boundary, primitive counts per type, dropped vertices
// at the end of the program, and the indexed grid whose strips are joined by degenerate
// triangles.
#include <vector>

#include "device_fixture.h"
#include "engine/graphics/device/state_cache.h"
#include "engine/graphics/device/vertex_batch.h"

namespace orvik_test {
namespace {

using namespace orvik;

struct GridVertex {
    float x, y, z, rhw;
    uint32_t colour;
    float u, v;
};
static_assert(sizeof(GridVertex) == 28);

class VertexBatchTest : public DeviceTest {
protected:
    void SetUp() override {
        ASSERT_EQ(InitLibrary(), 0);
        ASSERT_EQ(Graphics().direct3DMode, 1);
        FlushVertexBatch();
        SetDrawTextureCached(nullptr);
        SetupDrawDeviceState();
        D3DDevice()->Clear(0, nullptr, host::D3DCLEAR_TARGET, 0, 1.0f, 0);
    }
    // A grid of columns x rows vertices spread evenly over (0, 0)-(size, size).
    static std::vector<GridVertex> Grid(int columns, int rows, float size, uint32_t colour) {
        std::vector<GridVertex> g;
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < columns; ++c)
                g.push_back({size * float(c) / float(columns - 1), size * float(r) / float(rows - 1), 0, 1, colour, 0, 0});
        return g;
    }
    // Every pixel inside the square has the colour and the pixels just outside do not.
    void ExpectSquare(int size, uint32_t colour) {
        for (int y = 0; y < size + 2; ++y)
            for (int x = 0; x < size + 2; ++x)
                ASSERT_EQ(BackBufferPixel(x, y), x < size && y < size ? colour : 0u) << x << "," << y;
    }
};

TEST_F(VertexBatchTest, CapacityBoundaryDrawsOnlyWhenFull) {
    const BatchLayout& l = GetBatchLayout(0, 1);
    ASSERT_EQ(l.capacity, 2340u);
    ASSERT_EQ(l.stride, 28u);
    uint64_t draws = DrawCalls(), prims = Primitives();
    for (uint32_t i = 0; i < l.capacity / 6; ++i) ASSERT_NE(ReserveBatchVertices(0, 1, 4, 6), nullptr);
    EXPECT_EQ(DrawCalls(), draws);
    EXPECT_EQ(Batch().pending, l.capacity);
    // Six more do not fit: the full batch is drawn first.
    ASSERT_NE(ReserveBatchVertices(0, 1, 4, 6), nullptr);
    EXPECT_EQ(DrawCalls(), draws + 1);
    EXPECT_EQ(Primitives(), prims + l.capacity / 3);
    EXPECT_EQ(Batch().pending, 6u);
    EXPECT_EQ(ReserveBatchVertices(0, 1, 4, l.capacity + 1), nullptr);
    EXPECT_EQ(ReserveBatchVertices(1, 2, 4, 3), nullptr);
}

TEST_F(VertexBatchTest, PrimitiveCountsFollowThePrimitiveType) {
    struct Case {
        int type;
        uint32_t vertices, primitives;
    } cases[] = {{1, 7, 7}, {2, 7, 3}, {3, 7, 6}, {4, 7, 2}, {5, 7, 5}, {6, 7, 5}};
    for (const Case& c : cases) {
        FlushVertexBatch();
        uint64_t prims = Primitives();
        ASSERT_NE(ReserveBatchVertices(0, 0, c.type, c.vertices), nullptr);
        FlushVertexBatch();
        EXPECT_EQ(Primitives() - prims, c.primitives) << "type " << c.type;
    }
    // Another primitive type draws what is pending first.
    ReserveBatchVertices(0, 0, 4, 3);
    uint64_t draws = DrawCalls();
    ReserveBatchVertices(0, 0, 2, 2);
    EXPECT_EQ(DrawCalls(), draws + 1);
}

TEST_F(VertexBatchTest, ThreeDimensionalBatchUsesItsLayoutAndGivesTheWorldMatrixBack) {
    Matrix4 world;
    SetUnitMatrix(&world);
    world.m[12] = 5;
    Draw().t3d.world = world;
    SetWorldMatrix(world);
    ASSERT_NE(ReserveBatchVertices(1, 0, host::D3DPT_TRIANGLELIST, 3), nullptr);
    ASSERT_EQ(FlushVertexBatch(), 0);
    host::D3DMATRIX m;
    D3DDevice()->GetTransform(host::D3DTS_WORLD, &m);
    EXPECT_EQ(m.m[3][0], 5.0f);
    host::DWORD fvf = 0;
    D3DDevice()->GetFVF(&fvf);
    EXPECT_EQ(fvf, 0x42u);
}

TEST_F(VertexBatchTest, EmptyFlushDrawsNothingAndEndingProgramDropsVertices) {
    uint64_t draws = DrawCalls();
    EXPECT_EQ(FlushVertexBatch(), 0);
    EXPECT_EQ(DrawCalls(), draws);
    ReserveBatchVertices(0, 0, 4, 3);
    Window().rt.endFlag = 1;
    EXPECT_EQ(FlushVertexBatch(), 0);
    Window().rt.endFlag = 0;
    EXPECT_EQ(DrawCalls(), draws);
    EXPECT_EQ(Batch().pending, 0u);
}

TEST_F(VertexBatchTest, TwoByTwoGridIsOneStripOfTwoTriangles) {
    auto grid = Grid(2, 2, 10, 0xFFFF0000);
    uint64_t draws = DrawCalls(), prims = Primitives();
    ASSERT_EQ(DrawIndexedBatch(2, grid.data(), 2), 0);
    EXPECT_EQ(DrawCalls(), draws + 1);
    EXPECT_EQ(Primitives(), prims + 2);
    EndSceneIfBegun();
    ExpectSquare(10, 0xFF0000);
}

TEST_F(VertexBatchTest, DegenerateTrianglesJoinRowPairsWithoutStrayPixels) {
    // Three rows: two strips of four triangles each, joined by four degenerate ones.
    auto grid = Grid(3, 3, 20, 0xFF00FF00);
    uint64_t prims = Primitives();
    ASSERT_EQ(DrawIndexedBatch(3, grid.data(), 3), 0);
    EXPECT_EQ(Primitives(), prims + 12);
    EndSceneIfBegun();
    ExpectSquare(20, 0x00FF00);
}

TEST_F(VertexBatchTest, LargeGridIsSplitIntoSeveralDrawsAndStillCoversEverything) {
    auto grid = Grid(40, 30, 60, 0xFF0000FF);
    uint64_t draws = DrawCalls();
    ASSERT_EQ(DrawIndexedBatch(40, grid.data(), 30), 0);
    EXPECT_GT(DrawCalls(), draws + 1);
    EndSceneIfBegun();
    ExpectSquare(60, 0x0000FF);
}

TEST_F(VertexBatchTest, GridsTooSmallOrBeyondSixteenBitIndicesAreRefused) {
    auto grid = Grid(2, 2, 4, 0xFFFFFFFF);
    EXPECT_EQ(DrawIndexedBatch(1, grid.data(), 2), -1);
    EXPECT_EQ(DrawIndexedBatch(2, grid.data(), 1), -1);
    EXPECT_EQ(DrawIndexedBatch(2, nullptr, 2), -1);
    EXPECT_EQ(DrawIndexedBatch(257, grid.data(), 256), -1);
}

}  // namespace
}  // namespace orvik_test
