// The media file's pictures as the frame renderer takes them: top row first in rows of
// the pitch, whole to the last column at any width, also when the sink keeps each
// picture's buffer and leaves a smaller one in its place.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "av_movie_maker.h"
#include "host/graph/media_file.h"

namespace movie_test {
namespace {

class KeepingSink final : public host::graph::MediaSink {
public:
    void Picture(std::vector<uint8_t>& rgb, size_t length, host::REFERENCE_TIME, host::REFERENCE_TIME) override {
        kept.emplace_back(16, uint8_t(0));
        kept.back().swap(rgb);
        lengths.push_back(length);
    }
    void Sound(std::span<uint8_t>, host::REFERENCE_TIME, host::REFERENCE_TIME) override {}
    std::vector<std::vector<uint8_t>> kept;
    std::vector<size_t> lengths;
};

// 64 pixels are whole steps of the scaler's vector code; 100 are not.
TEST(MediaFilePicturesTest, PicturesAreWholeToTheirLastColumnWhenTheSinkKeepsTheirBuffers) {
    for (int width : {64, 100}) {
        const std::string path = ::testing::TempDir() + "/pictures_" + std::to_string(::getpid()) + ".avi";
        ASSERT_EQ(WriteAvMovie(path, {AvKind::Mpeg4Avi, 4, width, 48, 25, 0}), "");
        auto file = host::graph::MediaFile::Open(path, 44100, [](int32_t, int32_t) { return true; });
        ASSERT_TRUE(file);
        KeepingSink sink;
        while (file->Step(sink)) {
        }
        ASSERT_EQ(sink.kept.size(), 4u) << width;
        const size_t pitch = size_t(file->Pitch());
        for (size_t n = 0; n < sink.kept.size(); ++n) {
            ASSERT_EQ(sink.lengths[n], pitch * 48);
            const auto pixel = [&](int x, int y) {
                const uint8_t* p = sink.kept[n].data() + size_t(y) * pitch + size_t(x) * 3;
                return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
            };
            EXPECT_EQ(ReadFrameNumber(pixel, width), int(n)) << width;
            const uint32_t last = pixel(width - 1, 40);  // the red lower part
            EXPECT_GE(last >> 16, 200u) << width << " frame " << n << std::hex << " " << last;
            EXPECT_LE(last & 0xFFFF, 0x3030u) << width << " frame " << n << std::hex << " " << last;
        }
        std::remove(path.c_str());
    }
}

}  // namespace
}  // namespace movie_test
