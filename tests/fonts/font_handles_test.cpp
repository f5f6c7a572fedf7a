#include "engine/platform/window/onscreen_log.h"
#include "font_env.h"

using namespace orvik;

using FontHandles = font_test::FontEnv;

TEST_F(FontHandles, DefaultsMakeA16PixelFontOfThickness6) {
    int32_t h = CreateFontToHandle(nullptr, -1, -1, -1, -1, -1, 0);
    ASSERT_GE(h, 0);
    EXPECT_EQ(uint32_t(h) & 0x78000000u, 0x20000000u);
    char face[64] = "x";
    int size = 0, thickness = 0;
    EXPECT_EQ(QueryFontHandleState(face, &size, &thickness, h), 0);
    EXPECT_STREQ(face, "");
    EXPECT_EQ(size, 16);
    EXPECT_EQ(thickness, 6);
    EXPECT_EQ(GetFontRecord(h)->type, 0);
    EXPECT_EQ(QueryFontHandleSize(h), 16);
    EXPECT_EQ(QueryFontHandleSize(-1), -1);
}

TEST_F(FontHandles, TheTableHolds40Fonts) {
    std::vector<int32_t> handles;
    for (int i = 0; i < 40; ++i) handles.push_back(CreateFontToHandle(nullptr, 8, -1, 0, -1, -1, 0));
    for (int32_t h : handles) EXPECT_GE(h, 0);
    EXPECT_EQ(CreateFontToHandle(nullptr, 8, -1, 0, -1, -1, 0), -1);
    EXPECT_TRUE(LogHas("作成できるフォントハンドル数 40 の限界を超えました"));
    // A given slot must be free.
    EXPECT_EQ(CreateFontToHandle(nullptr, 8, -1, 0, -1, -1, 0, 3), -1);
    EXPECT_EQ(DeleteFontHandle(handles[3]), 0);
    EXPECT_EQ(DeleteFontHandle(handles[3]), -1);
    int32_t again = CreateFontToHandle(nullptr, 8, -1, 0, -1, -1, 0, 3);
    EXPECT_EQ(again & 0xFFFF, 3);
    EXPECT_NE(again, handles[3]);  // a new check number: the old handle stays dead
    EXPECT_EQ(IsValidFontHandle(handles[3]), 0);
}

TEST_F(FontHandles, BadArgumentsAndMissingFacesFailCleanly) {
    EXPECT_EQ(CreateFontToHandle(nullptr, 0, -1, 0, -1, -1, 0), -1);
    EXPECT_EQ(CreateFontToHandle(nullptr, 16, -1, 7, -1, -1, 0), -1);
    EXPECT_EQ(CreateFontToHandle(nullptr, 16, -1, 0, -1, -1, 0, 40), -1);
    host::FontFaults faults;
    faults.createFont = -1;
    host::SetFontFaults(faults);
    EXPECT_EQ(CreateFontToHandle("Nothing", 16, -1, 0, -1, -1, 0), -1);
    EXPECT_TRUE(LogHas("指定のフォントの作成に失敗しました"));
    EXPECT_EQ(CreateFontToHandle(nullptr, 16, -1, 0, -1, -1, 0), -1);
    EXPECT_TRUE(LogHas("フォントの作成に失敗しました"));
    for (int i = 0; i < kFontHandleCount; ++i) EXPECT_EQ(FontSystem().table[i], nullptr);
}

TEST_F(FontHandles, DeletionSetsTheAttachedFlag) {
    int32_t h = CreateFontToHandle(nullptr, 16, -1, 0, -1, -1, 0);
    int deleted = 7;
    EXPECT_EQ(AttachFontDeletedFlag(h, &deleted), 0);
    EXPECT_EQ(deleted, 0);
    DeleteFontHandle(h);
    EXPECT_EQ(deleted, 1);
}

TEST_F(FontHandles, HandlesStayValidWhenTheDeviceIsMadeAgain) {
    UseDevice(true);
    ResetFontSystem();
    int32_t def = QueryDefaultFontHandle();
    int32_t h = CreateFontToHandle(nullptr, 24, 3, kFontTypeAntialiasEdge, -1, 2, 1);
    SetFontSpacingToHandle(5, h);
    int deleted = 0;
    AttachFontDeletedFlag(h, &deleted);
    ASSERT_GT(DrawTextWithFont(0, 0, "AB", 0xFFFFFF, h), 0);
    // The device goes: its graphics are deleted, the caches' lost flags with them.
    for (int* lost : font_test::Recorded().lostFlags) *lost = 1;
    EXPECT_EQ(RefreshFontHandles(), 0);
    EXPECT_EQ(IsValidFontHandle(h), 1);
    EXPECT_EQ(QueryDefaultFontHandle(), def);
    EXPECT_EQ(IsValidFontHandle(def), 1);
    EXPECT_EQ(deleted, 0);
    const FontRecord* f = GetFontRecord(h);
    EXPECT_EQ(f->spacing, 5);
    EXPECT_EQ(f->italic, 1);
    EXPECT_EQ(f->edgeSize, 2);
    EXPECT_EQ(f->index[uint8_t('A')].used, 0u);  // the glyphs are rendered again
    font_test::Recorded().cells.clear();
    EXPECT_EQ(DrawTextWithFont(0, 0, "AB", 0xFFFFFF, h), 2 * (12 + 4 + 5));
    EXPECT_EQ(font_test::Recorded().cells.size(), 4u);  // edge and body of each
    // A cache lost after that is made again at the next draw.
    *font_test::Recorded().lostFlags.back() = 1;
    font_test::Recorded().cells.clear();
    DrawTextWithFont(0, 0, "A", 0xFFFFFF, h);
    EXPECT_EQ(GetFontRecord(h)->cacheLost, 0);
    EXPECT_EQ(font_test::Recorded().cells.size(), 2u);
}

TEST_F(FontHandles, DefaultFontFollowsItsSettings) {
    ResetFontSystem();
    int32_t first = QueryDefaultFontHandle();
    ASSERT_GE(first, 0);
    EXPECT_EQ(QueryFontHandleSize(first), 16);
    EXPECT_TRUE(LogHas("フォントの初期化は正常に終了しました"));
    SetDefaultFontSize(16);  // unchanged: the same font
    EXPECT_EQ(QueryDefaultFontHandle(), first);
    SetDefaultFontSize(24);
    EXPECT_EQ(IsValidFontHandle(first), 0);
    EXPECT_EQ(QueryFontHandleSize(QueryDefaultFontHandle()), 24);
    SetDefaultFontType(kFontTypeEdge);
    EXPECT_EQ(GetFontRecord(QueryDefaultFontHandle())->type, kFontTypeEdge);
    SetDefaultFontSizeAndThickness(0, 12, 2);
    int size = 0, thickness = 0;
    QueryFontHandleState(nullptr, &size, &thickness, QueryDefaultFontHandle());
    EXPECT_EQ(size, 12);
    EXPECT_EQ(thickness, 2);
    RestartFontManager();
    EXPECT_EQ(QueryDefaultFontHandle(), -1);
}

// A menu drawn at two sizes every frame: each size comes back with its glyphs, and with
// the handle a font made then would get (the first free slot, a new check number).
TEST_F(FontHandles, DefaultFontsOfSizesLeftAMomentAgoKeepTheirGlyphs) {
    UseDevice(true);
    ResetFontSystem();
    auto frame = [] {
        SetDefaultFontThickness(4);
        SetDefaultFontSize(36);
        DrawTextDefault(0, 0, "CONFIG", 0xFFFFFF);
        SetDefaultFontSize(24);
        DrawTextDefault(0, 40, "EXIT", 0xFFFFFF);
    };
    frame();
    const font_test::PortLog first = font_test::Recorded();
    for (int i = 0; i < 3; ++i) {
        const int32_t left = QueryDefaultFontHandle();
        frame();
        EXPECT_EQ(IsValidFontHandle(left), 0);
        EXPECT_NE(QueryDefaultFontHandle(), left);
        EXPECT_EQ(QueryDefaultFontHandle() & 0xFFFF, 0);
    }
    EXPECT_EQ(QueryFontHandleSize(QueryDefaultFontHandle()), 24);
    EXPECT_EQ(font_test::Recorded().graphsMade, first.graphsMade);  // no font made again
    EXPECT_EQ(font_test::Recorded().uploads, first.uploads);        // no glyph rendered again
    // More sizes than are kept: the font kept longest goes, with its cache.
    for (int size = 8; size < 8 + 2 * kKeptDefaultFonts; ++size) {
        SetDefaultFontSize(size);
        DrawTextDefault(0, 0, "A", 0xFFFFFF);
    }
    EXPECT_LE(font_test::Recorded().graphsMade - font_test::Recorded().deleted, kKeptDefaultFonts + 1);
}

// Sizes the font layer cannot make are refused and the default font stays as it was.
TEST_F(FontHandles, DefaultFontSizesOutsideWhatFontsCanBeAreRefused) {
    ResetFontSystem();
    ASSERT_EQ(SetDefaultFontSize(24), 0);
    const int32_t font = QueryDefaultFontHandle();
    for (int size : {-100000, 0, 257, 100000}) {
        EXPECT_EQ(SetDefaultFontSize(size), -1) << size;
        EXPECT_EQ(SetDefaultFontSizeAndThickness(0, size, 2), -1) << size;
    }
    EXPECT_TRUE(LogHas("フォントサイズ 100000 は使えません(1～256) in SetDefaultFontSize"));
    EXPECT_EQ(QueryDefaultFontHandle(), font);
    EXPECT_EQ(QueryFontHandleSize(font), 24);
    EXPECT_EQ(CreateFontToHandle(nullptr, 257, -1, 0, -1, -1, 0), -1);
    EXPECT_EQ(SetDefaultFontSize(256), 0);
    EXPECT_EQ(QueryFontHandleSize(QueryDefaultFontHandle()), 256);
    EXPECT_EQ(SetDefaultFontSize(-1), 0);
    EXPECT_EQ(QueryFontHandleSize(QueryDefaultFontHandle()), 16);
}

TEST_F(FontHandles, BytePositionsInShiftJisText) {
    const char* text = "a\x92\x65" "b";  // a, a two-byte character, b
    EXPECT_EQ(CheckCharBytePosition(text, 0, 1), 0);
    EXPECT_EQ(CheckCharBytePosition(text, 1, 1), 1);
    EXPECT_EQ(CheckCharBytePosition(text, 2, 1), 2);
    EXPECT_EQ(CheckCharBytePosition(text, 3, 1), 0);
    EXPECT_EQ(CheckCharBytePosition(text, 4, 1), -1);
    EXPECT_EQ(CheckCharBytePosition("", 0, 1), -1);
    // Korean: every byte from 0x80 leads, 0x92 0x65 included; a lead at the end stands alone.
    EXPECT_EQ(CheckCharBytePosition("\xA0", 0, 2), 0);
}

TEST_F(FontHandles, OnScreenLogDrawsItsPageWithAnEdgedFontOfItsOwn) {
    ResetOnScreenLog();
    MEMIMG* img = Target(120, 40);
    Graphics().screen.width = 120;
    Graphics().screen.height = 40;
    OnScreenLog().initialised = 1;  // drawn into a bare target, without a window to show it
    std::strcpy(OnScreenLog().page[1], "AB");
    EXPECT_EQ(DrawOnScreenLog(), 0);
    OnScreenLogState& log = OnScreenLog();
    ASSERT_GE(log.fontHandle, 0);
    EXPECT_EQ(GetFontRecord(log.fontHandle)->type, kFontTypeEdge);
    EXPECT_EQ(GetFontRecord(log.fontHandle)->thickness, 4);
    // Line 1 at y 16: white body with a black edge.
    EXPECT_EQ(Pixel(img, 1, 17), 0xFFFFFFu);
    EXPECT_EQ(InkBox(img)[1], 17);
    // Deleting the font marks it missing; the next draw makes it again.
    DeleteFontHandle(log.fontHandle);
    EXPECT_EQ(log.fontMissing, 1);
    DrawOnScreenLog();
    EXPECT_EQ(log.fontMissing, 0);
    EXPECT_EQ(IsValidFontHandle(log.fontHandle), 1);
    ResetOnScreenLog();
}

TEST_F(FontHandles, ThicknessesPastTheHeaviestWeightAskForTheHeaviest) {
    std::vector<int32_t> weights;
    glyphs_->SetMetricsRule([&](const host::FontRequest& r) {
        weights.push_back(r.weight);
        return host::FixedGlyphSource::DefaultMetrics(r);
    });
    for (int thickness : {7, 10, 11, 1 << 25, INT_MAX}) {
        weights.clear();
        int32_t h = CreateFontToHandle(nullptr, 16, thickness, 0, -1, -1, 0);
        ASSERT_GE(h, 0) << thickness;
        ASSERT_FALSE(weights.empty());
        EXPECT_EQ(weights.back(), std::min(thickness, 10) * 100) << thickness;
        int kept = 0;
        QueryFontHandleState(nullptr, nullptr, &kept, h);
        EXPECT_EQ(kept, thickness);  // the font still reports what it was asked for
        DeleteFontHandle(h);
    }
}
