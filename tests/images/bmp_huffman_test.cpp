// OS/2 BMPs compressed with Huffman 1D (the group 3 fax code): rows coded by the test's
// own encoder in every layout (end-of-line codes or not, byte-aligned rows or not) and by
// libtiff's CCITT encoders decode to the same pixels; damaged data keeps the rows before
// the damage, with a log line.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "tests/support/fax_encoder.h"
#include "tests/support/temp_log.h"
#include "tests/support/tiff_fax.h"

namespace {

using imagetest::Bytes;
using imagetest::FaxLayout;
using imagetest::FaxPicture;
using imagetest::MakeFaxBmp;
using imagetest::ReadWith;

constexpr uint32_t kFaxWhite = 0x00F0E0D0, kFaxBlack = 0x00102030;  // palette entries 0 and 1

const FaxLayout kFaxLayouts[] = {{false, false}, {true, false}, {false, true}, {true, true}};

std::string LayoutName(const FaxLayout& l) {
    return std::string(l.endOfLines ? "end-of-lines" : "no end-of-lines") +
           (l.byteAligned ? ", byte-aligned" : ", packed");
}

// Compares the loaded image with the picture's first `rows` file rows; the rows after
// them must be white. Files store bottom-up unless the height is negative.
::testing::AssertionResult ShowsFaxRows(const imagetest::ReadResult& r, const FaxPicture& p,
                                        bool bottomUp, size_t rows) {
    const int height = int(p.rows.size());
    if (r.code != 0 || r.image.width != p.width || r.image.height != height)
        return ::testing::AssertionFailure() << "code " << r.code << ", " << r.image.width << " x " << r.image.height;
    for (int fileRow = 0; fileRow < height; ++fileRow) {
        const int y = bottomUp ? height - 1 - fileRow : fileRow;
        for (int x = 0; x < p.width; ++x) {
            const bool black = size_t(fileRow) < rows && imagetest::FaxPixel(p.rows[size_t(fileRow)], x);
            if (r.At(x, y) != (black ? kFaxBlack : kFaxWhite))
                return ::testing::AssertionFailure() << "file row " << fileRow << ", x " << x;
        }
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult DecodesEveryWay(const FaxPicture& p) {
    const int height = int(p.rows.size());
    for (const FaxLayout& layout : kFaxLayouts) {
        auto r = ReadWith(orvik::ReadBmpImage, MakeFaxBmp(p.width, height, imagetest::EncodeFax(p, layout)));
        auto shown = ShowsFaxRows(*r, p, true, p.rows.size());
        if (!shown) return shown << " (" << LayoutName(layout) << ")";
    }
    for (auto kind : {imagetest::TiffFaxKind::ModifiedHuffman, imagetest::TiffFaxKind::Group3FillBits}) {
        const Bytes strip = imagetest::TiffFaxStrip(p, kind);
        if (strip.empty()) return ::testing::AssertionFailure() << "libtiff wrote nothing";
        auto r = ReadWith(orvik::ReadBmpImage, MakeFaxBmp(p.width, height, strip));
        auto shown = ShowsFaxRows(*r, p, true, p.rows.size());
        if (!shown) return shown << " (libtiff " << (kind == imagetest::TiffFaxKind::ModifiedHuffman ? "RLE)" : "G3)");
    }
    return ::testing::AssertionSuccess();
}

// Random runs adding up to the width, some of them long.
FaxPicture RandomFaxPicture(std::mt19937& rng, int width, int height) {
    FaxPicture p{width, {}};
    for (int y = 0; y < height; ++y) {
        std::vector<int> runs;
        // Only the first run may be 0 (a row starting black), so the runs are the ones an
        // encoder finds in the pixels.
        for (int left = width; left > 0;) {
            const int longest = rng() % 4 == 0 ? 3000 : 40;
            const int least = runs.empty() ? 0 : 1;
            const int run = std::min(left, least + int(rng() % uint32_t(longest)));
            runs.push_back(run);
            left -= run;
        }
        p.rows.push_back(runs);
    }
    return p;
}

TEST(FaxBmpTest, RunsAcrossTheMakeUpCodesDecodeEveryWay) {
    // Runs of exactly 63, 64, 1728, 1792 and 2560, runs needing several make-ups (6000 is
    // 2560 + 2560 + 832 + 48), whole white and whole black rows; 7003 is not a multiple of 8.
    const FaxPicture p{7003,
                       {{7003},
                        {0, 7003},
                        {63, 64, 1728, 1792, 2560, 796},
                        {6000, 1003},
                        {0, 2561, 1, 4441},
                        {1, 1, 7001}}};
    EXPECT_TRUE(DecodesEveryWay(p));
}

TEST(FaxBmpTest, RandomPicturesDecodeEveryWay) {
    std::mt19937 rng(1729);
    for (int width : {1, 7, 13, 64, 100, 1728, 2600}) {
        const FaxPicture p = RandomFaxPicture(rng, width, 6);
        EXPECT_TRUE(DecodesEveryWay(p)) << "width " << width;
    }
}

TEST(FaxBmpTest, RowPaddingBeforeAZeroLedCodeIsNotAnEndOfLine) {
    // Row 0 takes 18 bits (white 1, black 39), so 6 bits of padding end its byte; row 1
    // starts with white 29, 00000010: twelve 0 bits and a 1 in all, which only an
    // end-of-line would end on a byte boundary.
    const FaxPicture p{40, {{1, 39}, {29, 11}, {40}}};
    auto r = ReadWith(orvik::ReadBmpImage, MakeFaxBmp(40, 3, imagetest::EncodeFax(p, {false, true})));
    EXPECT_TRUE(ShowsFaxRows(*r, p, true, 3));
}

TEST(FaxBmpTest, OwnCodesMatchLibtiffBitForBit) {
    // libtiff's Modified Huffman strips are the byte-aligned rows without end-of-lines.
    std::mt19937 rng(4);
    const FaxPicture p = RandomFaxPicture(rng, 5000, 40);
    EXPECT_EQ(imagetest::EncodeFax(p, {false, true}),
              imagetest::TiffFaxStrip(p, imagetest::TiffFaxKind::ModifiedHuffman));
    // Its group 3 strips lead each row with an end-of-line that fill bits put on a byte
    // boundary: the first row's is the bytes 0x00 0x01.
    const Bytes g3 = imagetest::TiffFaxStrip(p, imagetest::TiffFaxKind::Group3FillBits);
    ASSERT_GE(g3.size(), 2u);
    EXPECT_EQ(g3[0], 0x00);
    EXPECT_EQ(g3[1], 0x01);
}

TEST(FaxBmpTest, WhiteRunsShowPaletteEntryZeroAndTopDownFilesKeepTheirOrder) {
    const FaxPicture p{10, {{3, 4, 3}, {0, 10}, {10}}};
    const Bytes coded = imagetest::EncodeFax(p, {});
    auto topDown = ReadWith(orvik::ReadBmpImage, MakeFaxBmp(10, -3, coded));
    EXPECT_TRUE(ShowsFaxRows(*topDown, p, false, 3));
    // With black listed first, white runs show black: the palette decides the colours.
    auto swapped = ReadWith(orvik::ReadBmpImage, MakeFaxBmp(10, 3, coded, {0, 0x00FFFFFF}));
    ASSERT_EQ(swapped->code, 0);
    EXPECT_EQ(swapped->At(0, 2), 0u);
    EXPECT_EQ(swapped->At(3, 2), 0x00FFFFFFu);
    EXPECT_EQ(swapped->At(5, 1), 0x00FFFFFFu);
    EXPECT_EQ(swapped->At(5, 0), 0u);
}

TEST(FaxBmpTest, DamagedDataKeepsTheRowsBeforeWithALogLine) {
    orvik_test::TempLog log;
    const FaxPicture p{20, {{5, 10, 5}, {20}, {0, 20}, {2, 2, 16}, {20}}};
    const auto coded = [&](size_t rows, const std::string& then) {
        imagetest::FaxBitWriter out;
        for (size_t y = 0; y < rows; ++y)
            for (size_t i = 0; i < p.rows[y].size(); ++i) imagetest::PutFaxRun(out, i % 2 == 1, p.rows[y][i]);
        out.Put(then);
        out.Put("0111" "11" "0111");  // a last row that would decode, if reached
        return out.Take();
    };
    // A bad code; an end-of-line after white 3 and black 2; runs past the row's end (white
    // 15 and black 10 in 20 pixels). Row 2 keeps the runs decoded before the damage.
    const struct {
        std::string bits;
        std::vector<int> rowKept;
    } damages[] = {{"0000000010000", {20}},
                   {"1000" "11" + std::string(imagetest::kFaxEol), {3, 2, 15}},
                   {"110101" "0000100", {15, 5}}};
    for (const auto& damage : damages) {
        auto r = ReadWith(orvik::ReadBmpImage, MakeFaxBmp(20, 5, coded(2, damage.bits)));
        FaxPicture kept = p;
        kept.rows[2] = damage.rowKept;
        EXPECT_TRUE(ShowsFaxRows(*r, kept, true, 3)) << damage.bits;
    }
    // Data cut inside row 3 (41 bits make rows 0 to 2; the sixth byte ends after row 3's
    // white 2 and black 2 and one bit of its next code): what was decoded stays.
    Bytes cut = imagetest::EncodeFax(p, {});
    cut.resize(6);
    auto r = ReadWith(orvik::ReadBmpImage, MakeFaxBmp(20, 5, cut));
    FaxPicture begun = p;
    begun.rows[3] = {2, 2, 16};
    EXPECT_TRUE(ShowsFaxRows(*r, begun, true, 4));
    EXPECT_NE(log.Read().find("ハフマン圧縮のデータが壊れています(3 / 5"), std::string::npos);
}

TEST(FaxBmpTest, HeadersTheDataCannotHoldAreRefused) {
    orvik_test::TempLog log;
    // Every row takes at least one 4-bit code: 8 bytes cannot hold 17 rows. A row of
    // 2560 x 13 + 1 pixels takes at least 14 codes of 2 bits or more.
    const Bytes eightBytes(8, 0x77);
    EXPECT_EQ(ReadWith(orvik::ReadBmpImage, MakeFaxBmp(4, 17, eightBytes))->code, -1);
    EXPECT_EQ(ReadWith(orvik::ReadBmpImage, MakeFaxBmp(4, 16, eightBytes))->code, 0);
    EXPECT_EQ(ReadWith(orvik::ReadBmpImage, MakeFaxBmp(2560 * 13 + 1, 2, Bytes(6, 0x77)))->code, -1);
    EXPECT_EQ(ReadWith(orvik::ReadBmpImage, MakeFaxBmp(2560 * 13, 2, Bytes(7, 0x77)))->code, 0);
    EXPECT_NE(log.Read().find("ＢＭＰファイルが壊れています(pixel data)"), std::string::npos);
    // Only fill bits: the picture stays white, and the log says no row was read.
    auto blank = ReadWith(orvik::ReadBmpImage, MakeFaxBmp(9, 2, Bytes(4, 0)));
    EXPECT_TRUE(ShowsFaxRows(*blank, FaxPicture{9, {{9}, {9}}}, true, 0));
    EXPECT_NE(log.Read().find("(0 / 2"), std::string::npos);
}

}  // namespace
