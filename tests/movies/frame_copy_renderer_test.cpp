// The frame copy renderer: which media types it takes and with which refusal, the pitch
// it sets up from the format, and how it takes samples in (bottom-up frames turned over,
// top-down ones as they are, over the graph's own buffer without a copy).
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <utility>
#include <numeric>
#include <vector>

#include "engine/platform/base/memory.h"
#include "engine/sound/movies/frame_copy_renderer.h"
#include "host/graph/filter_base.h"

namespace movie_test {
namespace {

using namespace orvik;

struct VideoType {
    host::VIDEOINFOHEADER info;
    host::AM_MEDIA_TYPE type{host::MEDIATYPE_Video, host::MEDIASUBTYPE_RGB24, host::FORMAT_VideoInfo,
                             sizeof(host::VIDEOINFOHEADER), nullptr};
    VideoType(int width, int height) {
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = height;
        info.bmiHeader.biBitCount = 24;
        type.pbFormat = reinterpret_cast<uint8_t*>(&info);
    }
};

class FrameCopyRendererTest : public ::testing::Test {
protected:
    void SetUp() override {
        host::HRESULT hr = host::E_FAIL;
        renderer = CreateFrameCopyRenderer(nullptr, &hr);
        ASSERT_NE(renderer, nullptr);
        EXPECT_EQ(hr, host::S_OK);
        renderer->AddRef();
    }
    void TearDown() override { renderer->Release(); }
    D_CFrameCopyRenderer* renderer = nullptr;
};

TEST_F(FrameCopyRendererTest, TakesOnlyRgb24VideoInfoAndSaysWhyNot) {
    EXPECT_EQ(renderer->CheckMediaType(nullptr), host::E_POINTER);
    VideoType t(4, 4);
    EXPECT_EQ(renderer->CheckMediaType(&t.type), host::S_OK);
    // The format type is tested first: the right video type in another format block is
    // an invalid argument, not a plain refusal.
    t.type.formattype = host::FORMAT_WaveFormatEx;
    EXPECT_EQ(renderer->CheckMediaType(&t.type), host::E_INVALIDARG);
    t.type.majortype = host::MEDIATYPE_Audio;
    EXPECT_EQ(renderer->CheckMediaType(&t.type), host::E_INVALIDARG);
    t.type.formattype = host::FORMAT_VideoInfo;
    EXPECT_EQ(renderer->CheckMediaType(&t.type), host::E_FAIL);
    t.type.majortype = host::MEDIATYPE_Video;
    t.type.subtype = host::MEDIASUBTYPE_RGB32;
    EXPECT_EQ(renderer->CheckMediaType(&t.type), host::E_FAIL);
}

TEST_F(FrameCopyRendererTest, RowsArePaddedToFourBytesAndTheHeightSignGivesTheOrder) {
    const struct {
        int width, height, pitch, bottomUp, frameHeight;
    } cases[] = {{1, 2, 4, 1, 2}, {2, 2, 8, 1, 2}, {4, 2, 12, 1, 2}, {5, 1, 16, 1, 1},
                 {640, -480, 1920, 0, 480}, {640, 480, 1920, 1, 480}};
    for (const auto& c : cases) {
        VideoType t(c.width, c.height);
        renderer->newFrame = 1;
        ASSERT_EQ(renderer->SetMediaType(&t.type), host::S_OK);
        EXPECT_EQ(renderer->pitch, c.pitch) << c.width;
        EXPECT_EQ(renderer->bottomUp, c.bottomUp) << c.height;
        EXPECT_EQ(renderer->frameWidth, c.width);
        EXPECT_EQ(renderer->frameHeight, c.frameHeight);
        EXPECT_EQ(renderer->newFrame, 0);
        // No frame is made before a sample comes: the first is taken over as it is.
        EXPECT_EQ(renderer->buffer, nullptr);
    }
}

std::vector<uint8_t> Numbered(size_t n) {
    std::vector<uint8_t> bytes(n);
    std::iota(bytes.begin(), bytes.end(), uint8_t(1));
    return bytes;
}

TEST_F(FrameCopyRendererTest, BottomUpFramesAreTurnedOverAndTopDownOnesCopiedAsTheyAre) {
    for (int height : {3, -3}) {
        VideoType t(2, height);
        ASSERT_EQ(renderer->SetMediaType(&t.type), host::S_OK);
        std::vector<uint8_t> bytes = Numbered(8 * 3);
        host::graph::Sample sample(bytes);
        ASSERT_EQ(renderer->DoRenderSample(&sample), host::S_OK);
        EXPECT_EQ(renderer->newFrame, 1);
        for (int row = 0; row < 3; ++row) {
            const int from = height > 0 ? 2 - row : row;
            EXPECT_EQ(std::memcmp(renderer->buffer + row * 8, bytes.data() + from * 8, 8), 0)
                << "row " << row << " of height " << height;
        }
    }
}

// A top-down sample over a buffer of the graph's is kept by taking the buffer over: the
// frame is where the sample's bytes lie, and the sender has the renderer's former buffer
// to fill next.
TEST_F(FrameCopyRendererTest, ATopDownSampleOverTheGraphsBufferIsKeptWithoutACopy) {
    VideoType t(2, -3);
    ASSERT_EQ(renderer->SetMediaType(&t.type), host::S_OK);
    std::vector<uint8_t> first = Numbered(8 * 3 + 16), second = Numbered(8 * 3 + 16);
    const uint8_t *former = first.data(), *picture = second.data();
    host::graph::Sample one(first, 8 * 3, 0, 1), two(second, 8 * 3, 1, 2);
    ASSERT_EQ(renderer->DoRenderSample(&one), host::S_OK);
    EXPECT_EQ(renderer->buffer, former);
    ASSERT_EQ(renderer->DoRenderSample(&two), host::S_OK);
    EXPECT_EQ(renderer->newFrame, 1);
    EXPECT_EQ(renderer->buffer, picture);
    EXPECT_EQ(second.data(), former);
}

TEST_F(FrameCopyRendererTest, SamplesWithoutAFormatOrWholeFrameAreLeftAlone) {
    std::vector<uint8_t> bytes = Numbered(64);
    host::graph::Sample sample(bytes);
    EXPECT_EQ(renderer->DoRenderSample(nullptr), host::E_POINTER);
    EXPECT_EQ(renderer->DoRenderSample(&sample), host::S_OK);
    EXPECT_EQ(renderer->newFrame, 0);
    // A sample shorter than the frame would be read past its end.
    VideoType t(8, 8);
    ASSERT_EQ(renderer->SetMediaType(&t.type), host::S_OK);
    EXPECT_EQ(renderer->DoRenderSample(&sample), host::S_OK);
    EXPECT_EQ(renderer->newFrame, 0);
    // A format block too short to hold the header sets nothing up.
    t.type.cbFormat = 16;
    EXPECT_EQ(renderer->SetMediaType(&t.type), host::E_INVALIDARG);
}

// Sizes whose rows or height do not fit 32 bits (or a negative width) are refused, and
// the format set up before stays, where the arithmetic overflowed.
TEST_F(FrameCopyRendererTest, SizesNoPictureHasAreRefusedKeepingTheFormerFormat) {
    VideoType good(8, 8);
    ASSERT_EQ(renderer->SetMediaType(&good.type), host::S_OK);
    const uint8_t* buffer = renderer->buffer;
    for (auto [width, height] : {std::pair{INT32_MAX, 8}, std::pair{715827882, 1}, std::pair{-4, 8},
                                 std::pair{8, INT32_MIN}}) {
        VideoType bad(width, height);
        EXPECT_EQ(renderer->SetMediaType(&bad.type), host::E_INVALIDARG) << width << " x " << height;
        EXPECT_EQ(renderer->buffer, buffer);
        EXPECT_EQ(renderer->pitch, 24);
        EXPECT_EQ(renderer->frameHeight, 8);
    }
}

}  // namespace
}  // namespace movie_test
