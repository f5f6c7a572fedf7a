// Movie files whose headers claim a picture far larger than a graphic can hold (30000 x
// 30000, beyond the 2 GB of a graphic's pixels), in a few kilobytes: opening them as
// graphics fails without allocating anything near the size of such a picture, on the
// engine's Theora path and through the media graph alike.
#include "graph_movie_fixture.h"
#include "tests/support/allocation_watch.h"

namespace movie_test {
namespace {

constexpr int kClaimed = 30000;
constexpr size_t kSmallBlock = 8u << 20;

TEST_F(GraphMovieTest, HeadersClaimingAPictureNoGraphicHoldsAllocateNothingOfItsSize) {
    if (!orvik_test::AllocationWatch::Available()) GTEST_SKIP() << "no sanitizer allocation hook";
    Start();
    // An AVI whose headers claim the size for pictures its codec cannot decode, so that
    // nothing but the headers gives their size.
    std::vector<uint8_t> avi = ReadFileBytes(Make("small.avi", {AvKind::Mpeg4Avi, 3, 64, 48, 25, 0}));
    const uint32_t sides[2] = {kClaimed, kClaimed};
    ASSERT_TRUE(PatchRiff(avi, "avih", 8 + 32, sides, 8));   // dwWidth, dwHeight
    ASSERT_TRUE(PatchRiff(avi, "strf", 8 + 4, sides, 8));    // biWidth, biHeight
    ASSERT_TRUE(PatchRiff(avi, "strh", 8 + 4, "MJPG", 4));   // fccHandler
    ASSERT_TRUE(PatchRiff(avi, "strf", 8 + 16, "MJPG", 4));  // biCompression
    const std::string y4m = "YUV4MPEG2 W30000 H30000 F25:1 Ip A1:1 C420jpeg\nFRAME\n";
    std::vector<uint8_t> raw(y4m.begin(), y4m.end());
    raw.resize(1000, 128);
    const std::vector<uint8_t> theora = JoinMovie(EncodeTheora(3, DefaultFrame, 4, 7, {TH_PF_420, kClaimed}), {});
    for (const auto& [name, bytes] : {std::pair{"claims.avi", avi}, std::pair{"claims.y4m", raw},
                                      std::pair{"claims.ogv", theora}}) {
        const std::string path = Write(name, bytes);
        orvik_test::AllocationWatch watch;
        EXPECT_EQ(orvik::LoadGraphFile(path.c_str(), 0, 0, 0), -1) << name;
        EXPECT_LT(watch.Largest(), kSmallBlock) << name;
        EXPECT_LT(watch.Total(), 4 * kSmallBlock) << name;
    }
}

}  // namespace
}  // namespace movie_test
