// Graphic handles: check numbers, stale handles, slots, derived graphics and the
// texture pieces images are cut into.
#include "../support/memory_shortage.h"
#include "drawing_fixture.h"
#include "engine/graphics/handles/graph_textures.h"

namespace orvik_test {
namespace {

using namespace orvik;

TEST_F(DrawingTest, StaleHandlesAreRefusedEverywhere) {
    int32_t a = SolidGraph(4, 4, 0xFF0000);
    ASSERT_GE(a, 0);
    EXPECT_EQ(a & 0x78000000, 0x08000000);
    ASSERT_EQ(DeleteGraphHandle(a), 0);
    int32_t b = SolidGraph(4, 4, 0x00FF00);
    // The slot comes back with another check number: the old handle names nothing.
    EXPECT_EQ(b & 0xFFFF, a & 0xFFFF);
    EXPECT_NE(b, a);
    EXPECT_EQ(IsValidGraphHandle(a), 0);
    EXPECT_EQ(DrawGraphAt(0, 0, a, 0), -1);
    EXPECT_EQ(QueryGraphSize(a, nullptr, nullptr), -1);
    EXPECT_EQ(DeleteGraphHandle(a), -1);
    EXPECT_EQ(Pixel(0, 0), kBlack);
    // Other types and negative values are no graphics either.
    EXPECT_EQ(IsValidGraphHandle((b & ~0x78000000) | 0x10000000), 0);
    EXPECT_EQ(IsValidGraphHandle(-1), 0);

    // A drawable graphic in a reused slot: the old handle is no draw target.
    int32_t target = CreateDrawableGraph(16, 16);
    ASSERT_GE(target, 0);
    ASSERT_EQ(DeleteGraphHandle(target), 0);
    int32_t other = CreateDrawableGraph(16, 16);
    ASSERT_EQ(other & 0xFFFF, target & 0xFFFF);
    EXPECT_EQ(SetDrawTarget(target), -1);
    EXPECT_EQ(SetDrawTarget(other), 0);
    EXPECT_EQ(GetDrawTarget(), other);
    // A graphic that was not made drawable is refused as well.
    EXPECT_EQ(SetDrawTarget(b), -1);
}

TEST_F(DrawingTest, DeletingTheDrawTargetHandsDrawingBackToTheBackBuffer) {
    int32_t off = CreateDrawableGraph(64, 64);
    ASSERT_EQ(SetDrawTarget(off), 0);
    ASSERT_EQ(DeleteGraphHandle(off), 0);
    EXPECT_EQ(GetDrawTarget(), kDrawTargetBackBuffer);
    ASSERT_EQ(DrawFilledBox(0, 0, 2, 2, GetColorValue(255, 255, 255)), 0);
    EXPECT_EQ(Pixel(1, 1), 0xFFFFFFu);
}

TEST_F(DrawingTest, CheckNumbersWrapAfter2047) {
    const int before = GraphTable().count;  // start-up's own graphics (the on-screen log's glyphs)
    int32_t first = CreateEmptyGraph(8, 8);
    ASSERT_GE(first, 0);
    const int base = (first >> 16) & 0x7FF;
    ASSERT_EQ(DeleteGraphHandle(first), 0);
    int32_t h = -1;
    for (int i = 1; i < 2048; ++i) {
        h = CreateEmptyGraph(8, 8);
        ASSERT_EQ((h >> 16) & 0x7FF, (base + i) % 2048);
        ASSERT_EQ(DeleteGraphHandle(h), 0);
    }
    // The 2049th allocation since `first` reuses its check number (and slot).
    h = CreateEmptyGraph(8, 8);
    EXPECT_EQ(h, first);
    EXPECT_EQ(GraphTable().count, before + 1);
}

TEST_F(DrawingTest, HighWaterIndexDropsPastEmptySlots) {
    int32_t h[4];
    for (int32_t& x : h) x = CreateEmptyGraph(8, 8);
    const int32_t top = GraphTable().highWater;
    ASSERT_EQ(DeleteGraphHandle(h[1]), 0);
    ASSERT_EQ(DeleteGraphHandle(h[2]), 0);
    EXPECT_EQ(GraphTable().highWater, top);
    ASSERT_EQ(DeleteGraphHandle(h[3]), 0);
    EXPECT_EQ(GraphTable().highWater, (h[0] & 0xFFFF) + 1);
    int w = 0, hgt = 0;
    EXPECT_EQ(QueryGraphSize(-2, &w, &hgt), 0);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(hgt, 480);
}

TEST_F(DrawingTest, DerivedGraphicsShareThePixelsAndOutliveTheirSource) {
    // Columns 0..3 red, 4..7 green, 8..11 blue.
    const uint32_t cols[3] = {0xFF0000, 0x00FF00, 0x0000FF};
    int32_t sheet = MakeGraph(12, 4, [&](int x, int) { return cols[x / 4]; });
    int32_t cell = DeriveGraph(4, 0, 4, 4, sheet);
    ASSERT_GE(cell, 0);
    int flag = -1;
    ASSERT_EQ(SetGraphDeletedFlag(sheet, &flag), 0);
    EXPECT_EQ(flag, 0);
    ASSERT_EQ(DeleteGraphHandle(sheet), 0);
    EXPECT_EQ(flag, 1);
    ASSERT_EQ(DrawGraphAt(20, 20, cell, 0), 0);
    EXPECT_EQ(Pixel(20, 20), 0x00FF00u);
    EXPECT_EQ(Pixel(23, 23), 0x00FF00u);
    EXPECT_EQ(Pixel(24, 20), kBlack);

    // Deriving from a derived graphic adds the offsets; a rectangle past the edge is cut.
    int32_t half = DeriveGraph(2, 0, 10, 4, cell);
    int w = 0, h = 0;
    ASSERT_EQ(QueryGraphSize(half, &w, &h), 0);
    EXPECT_EQ(w, 2);
    EXPECT_EQ(h, 4);
    EXPECT_EQ(GetGraphRecord(half)->x, 6);
}

TEST_F(DrawingTest, DeriveRefusesRectanglesWithoutAreaOrOutsideTheSource) {
    int32_t sheet = SolidGraph(8, 8, 0xFFFFFF);
    const int32_t before = GraphTable().count;
    EXPECT_EQ(DeriveGraph(0, 0, 0, 4, sheet), -1);
    EXPECT_EQ(DeriveGraph(0, 0, 4, -1, sheet), -1);
    EXPECT_EQ(DeriveGraph(8, 0, 1, 1, sheet), -1);
    EXPECT_EQ(DeriveGraph(0, 8, 1, 1, sheet), -1);
    EXPECT_EQ(DeriveGraph(-1, 0, 1, 1, sheet), -1);
    EXPECT_EQ(DeriveGraph(0, 0, 1, 1, sheet + 1), -1);
    EXPECT_EQ(GraphTable().count, before);
    EXPECT_GE(DeriveGraph(7, 7, 1, 1, sheet), 0);
}

// Short of memory at any one request of operator new, a graphic of part of another and the
// device's fill of part of a surface and stretch of a video picture give their result or
// their failure: nothing is thrown, and a derive that fails leaves no graphic behind.
TEST_F(DrawingTest, CallsShortOfMemoryAtAnyRequestGiveTheirResultOrTheirFailure) {
    const int32_t sheet = SolidGraph(8, 8, 0x102030), graphs = GraphTable().count;
    host::Device* d = Graphics().dev.device;
    // A device call on surfaces of its own: 0, or -1 for E_OUTOFMEMORY.
    const auto onSurfaces = [d](const std::function<host::HRESULT(host::Surface*, host::Surface*)>& call) {
        host::Surface *video = nullptr, *target = nullptr;
        host::HRESULT hr = d->CreateOffscreenPlainSurface(4, 4, host::D3DFMT_YUY2, host::D3DPOOL_DEFAULT, &video);
        if (hr == host::D3D_OK)
            hr = d->CreateRenderTarget(8, 8, host::D3DFMT_X8R8G8B8, host::D3DMULTISAMPLE_NONE, 0, 0, &target);
        if (hr == host::D3D_OK) hr = call(video, target);
        for (host::Surface* s : {video, target})
            if (s) s->Release();
        return hr == host::D3D_OK ? 0 : hr == host::E_OUTOFMEMORY ? -1 : int(hr);
    };
    const std::function<int()> calls[] = {
        [&] {
            const int32_t part = DeriveGraph(1, 1, 4, 4, sheet);
            return part < 0 ? -1 : DeleteGraphHandle(part);
        },
        [&] {
            return onSurfaces([d](host::Surface*, host::Surface* target) {
                const host::RECT part{1, 1, 3, 3};
                return d->ColorFill(target, &part, 0x123456);
            });
        },
        [&] {
            return onSurfaces([d](host::Surface* video, host::Surface* target) {
                return d->StretchRect(video, nullptr, target, nullptr, host::D3DTEXF_NONE);
            });
        },
    };
    for (const std::function<int()>& call : calls) {
        // The call with the nth request failing (none fails past the last); the requests made.
        const auto run = [&](size_t failing) {
            int result = -2;
            size_t requests = 0;
            {
                const FailingRequest shortage(failing);
                EXPECT_NO_THROW(result = call()) << "request " << failing;
                requests = OperatorNewRequests();
            }
            EXPECT_TRUE(result == 0 || (result == -1 && failing != SIZE_MAX)) << result << ", request " << failing;
            EXPECT_EQ(GraphTable().count, graphs);
            return requests;
        };
        const size_t requests = run(SIZE_MAX);
        EXPECT_GT(requests, 0u);
        for (size_t n = 1; n <= requests && !HasFailure(); ++n) run(n);
    }
}

TEST_F(DrawingTest, TextureSidesFollowTheSizeRule) {
    int sizes[kMaxTexturePieces];
    ASSERT_EQ(RoundTextureSize(5, 0, sizes), 1);
    EXPECT_EQ(sizes[0], 8);
    ASSERT_EQ(RoundTextureSize(640, 1, sizes), 1);
    EXPECT_EQ(sizes[0], 1024);
    ASSERT_EQ(RoundTextureSize(480, 1, sizes), 1);
    EXPECT_EQ(sizes[0], 512);
    // As wide as the screen and not asked to be whole: split.
    ASSERT_EQ(RoundTextureSize(640, 0, sizes), 2);
    EXPECT_EQ(sizes[0], 512);
    EXPECT_EQ(sizes[1], 128);
    // Narrower than the screen: one texture.
    ASSERT_EQ(RoundTextureSize(300, 0, sizes), 1);
    EXPECT_EQ(sizes[0], 512);
}

TEST_F(DrawingTest, SmallImageGetsAPaddedTexture) {
    ASSERT_EQ(SetGraphColorKeyFlag(0), 0);
    int32_t g = MakeGraph(5, 5, [](int x, int y) { return 0x101010u * uint32_t(x + 1) + 0x000001u * uint32_t(y); });
    const TexturePiece& piece = GetGraphRecord(g)->images->pieces.at(0);
    ASSERT_EQ(piece.texWidth, 8);
    ASSERT_EQ(piece.texHeight, 8);
    // The last column and row are repeated once beyond the image, for filtering.
    host::Surface* s = piece.texture->Level(0);
    auto texel = [&](int x, int y) {
        uint32_t v;
        std::memcpy(&v, s->Bits() + size_t(y) * s->Pitch() + size_t(x) * 4, 4);
        return v & 0xFFFFFF;
    };
    EXPECT_EQ(texel(5, 2), texel(4, 2));
    EXPECT_EQ(texel(2, 5), texel(2, 4));
    EXPECT_EQ(texel(5, 5), texel(4, 4));
    EXPECT_EQ(texel(4, 4), 0x505054u);
    EXPECT_EQ(texel(6, 2), 0u);
}

TEST_F(DrawingTest, ScreenWideImageDrawsAcrossItsTexturePieces) {
    // Every column has its own colour, so a seam or a shifted piece shows.
    int32_t wide = MakeGraph(640, 2, [](int x, int) { return uint32_t(x) << 8 | 0x000001; });
    ASSERT_GE(wide, 0);
    ASSERT_EQ(GetGraphRecord(wide)->images->pieces.size(), 2u);
    ASSERT_EQ(DrawGraphAt(0, 100, wide, 0), 0);
    for (int x : {0, 1, 255, 256, 510, 511, 512, 513, 600, 639})
        ASSERT_EQ(Pixel(x, 100), uint32_t(x) << 8 | 0x01) << x;
}

TEST_F(DrawingTest, DrawableGraphicIsAlwaysOneTexture) {
    int32_t off = CreateDrawableGraph(640, 480);
    ASSERT_GE(off, 0);
    const GraphImageSet& set = *GetGraphRecord(off)->images;
    ASSERT_EQ(set.pieces.size(), 1u);
    EXPECT_EQ(set.pieces[0].texWidth, 1024);
    EXPECT_EQ(set.pieces[0].texHeight, 512);
    EXPECT_EQ(GetCreateDrawableGraphFlag(), 0);
    // The right-hand columns receive drawing too.
    int32_t dot = SolidGraph(1, 1, 0xFFFFFF);
    ASSERT_EQ(SetDrawTarget(off), 0);
    ASSERT_EQ(DrawGraphAt(639, 479, dot, 0), 0);
    ASSERT_EQ(DrawGraphAt(600, 10, dot, 0), 0);
    EXPECT_EQ(GraphPixel(off, 639, 479), 0xFFFFFFu);
    EXPECT_EQ(GraphPixel(off, 600, 10), 0xFFFFFFu);
    EXPECT_EQ(GraphPixel(off, 599, 10), kBlack);
    // One larger than a texture can be is refused rather than drawn in part.
    const int max = Graphics().dev.maxTextureSize;
    const int32_t count = GraphTable().count;
    EXPECT_EQ(CreateDrawableGraph(max + 1, 8), -1);
    EXPECT_EQ(GraphTable().count, count);
    EXPECT_GE(CreateEmptyGraph(max + 1, 8), 0);
}



// A cell of a drawable graphic is a draw target wherever it lies, and its drawing is cut
// at the cell's edges, at the parent's corner as inside it.
TEST_F(DrawingTest, CellsOfADrawableGraphicAreDrawTargetsWhereverTheyLie) {
    const int32_t sheet = CreateDrawableGraph(64, 64);
    const int32_t inner = DeriveGraph(8, 8, 16, 16, sheet), corner = DeriveGraph(0, 0, 16, 16, sheet);
    ASSERT_GE(inner, 0);
    ASSERT_GE(corner, 0);
    ASSERT_EQ(SetDrawTarget(inner), 0);
    EXPECT_EQ(GetDrawTarget(), inner);
    ASSERT_EQ(DrawFilledBox(-4, -4, 100, 100, GetColorValue(0, 0, 255)), 0);
    EXPECT_EQ(GraphPixel(sheet, 8, 8), 0x0000FFu);
    EXPECT_EQ(GraphPixel(sheet, 23, 23), 0x0000FFu);
    EXPECT_EQ(GraphPixel(sheet, 7, 8), kBlack);
    EXPECT_EQ(GraphPixel(sheet, 24, 23), kBlack);
    EXPECT_EQ(GraphPixel(sheet, 23, 24), kBlack);
    ASSERT_EQ(SetDrawTarget(corner), 0);
    ASSERT_EQ(DrawFilledBox(-4, -4, 100, 100, GetColorValue(255, 255, 255)), 0);
    EXPECT_EQ(GraphPixel(sheet, 0, 0), 0xFFFFFFu);
    EXPECT_EQ(GraphPixel(sheet, 15, 15), 0xFFFFFFu);
    EXPECT_EQ(GraphPixel(sheet, 16, 15), 0x0000FFu);  // cut at the cell's edge
    EXPECT_EQ(GraphPixel(sheet, 15, 16), 0x0000FFu);
    EXPECT_EQ(GraphPixel(sheet, 16, 0), kBlack);
}

// With textures of at most 64 pixels on a side a graphic's side holds at most 64 x 64.
class SmallTextureDeviceTest : public DrawingTest {
protected:
    void SetUp() override {
        DrawingTest::SetUp();
        Graphics().dev.maxTextureSize = 64;
    }
};

TEST_F(SmallTextureDeviceTest, AnImageNeedingMorePiecesThanAGraphicHoldsIsRefusedWhole) {
    const int32_t count = GraphTable().count;
    for (auto [w, h] : {std::pair{64 * 64 + 1, 2}, std::pair{2, 64 * 64 + 1}, std::pair{100000, 1}}) {
        EXPECT_EQ(CreateEmptyGraph(w, h), -1) << w << " x " << h;
        EXPECT_EQ(GraphTable().count, count);
    }
    EXPECT_NE(Log().find("グラフィックのサイズがテクスチャの枚数の上限を越えています 4097 x 2"), std::string::npos);
    // As many pieces as it holds: every column is there, the last one too.
    const int32_t wide = MakeGraph(64 * 64, 1, [](int x, int) { return uint32_t(x) << 4 | 0x000001; });
    ASSERT_GE(wide, 0);
    const TexturePiece& last = GetGraphRecord(wide)->images->pieces.back();
    EXPECT_EQ(last.x + last.width, 64 * 64);
    ASSERT_EQ(DrawGraphAt(-(64 * 64 - 640), 10, wide, 0), 0);
    EXPECT_EQ(Pixel(639, 10), uint32_t(64 * 64 - 1) << 4 | 0x01);
    EXPECT_EQ(Pixel(0, 10), uint32_t(64 * 64 - 640) << 4 | 0x01);
}

}  // namespace
}  // namespace orvik_test
