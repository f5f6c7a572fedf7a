// The media file's pictures as the frame renderer takes them: top row first in rows of
// the pitch, whole to the last column at any width, also when the sink keeps each
// picture's buffer and leaves a smaller one in its place; their colours those of the
// video rows' rule, or those the stream declares.
#include <gtest/gtest.h>
#include <unistd.h>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
}

#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "av_movie_maker.h"
#include "host/d3d9/resources/yuv_rows.h"
#include "host/graph/media_file.h"
#include "tests/support/allocation_watch.h"

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

std::string TempPath(const std::string& name) { return ::testing::TempDir() + "/" + std::to_string(::getpid()) + name; }

// Every picture the file gives, by the media file.
KeepingSink Pictures(const std::string& path, size_t* pitch) {
    auto file = host::graph::MediaFile::Open(path, 44100, [](int32_t, int32_t) { return true; });
    KeepingSink sink;
    if (!file) return sink;
    while (file->Step(sink)) {
    }
    *pitch = size_t(file->Pitch());
    return sink;
}

// 64 pixels are whole steps of the scaler's vector code; 100 are not.
TEST(MediaFilePicturesTest, PicturesAreWholeToTheirLastColumnWhenTheSinkKeepsTheirBuffers) {
    for (int width : {64, 100}) {
        const std::string path = TempPath("pictures.avi");
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

// Every pixel of every picture is the video rows' rule applied to the decoder's own
// planes, in each chroma layout, at a width of whole vector steps and a few pixels more:
// the colours the device's video surfaces and the engine's Theora frames give.
TEST(MediaFilePicturesTest, PicturesHaveTheVideoRowsColoursOfTheDecodersPlanes) {
    const struct {
        AvKind kind;
        AVPixelFormat layout;
    } cases[] = {{AvKind::Mpeg4Avi, AV_PIX_FMT_YUV420P},
                 {AvKind::H264Mp4, AV_PIX_FMT_YUV422P},
                 {AvKind::H264Mp4, AV_PIX_FMT_YUV444P}};
    for (const auto& c : cases) {
        const std::string path = TempPath(c.kind == AvKind::H264Mp4 ? "layout.mp4" : "layout.avi");
        AvMovie m{c.kind, 3, 72, 36, 25, 0};
        m.busy = true;
        m.layout = c.layout;
        ASSERT_EQ(WriteAvMovie(path, m), "");
        size_t pitch = 0;
        const KeepingSink sink = Pictures(path, &pitch);
        size_t n = 0, differ = 0;
        ASSERT_TRUE(DecodeAvPictures(path, [&](const AVFrame& f) {
            const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(AVPixelFormat(f.format));
            for (int y = 0; n < sink.kept.size() && y < f.height; ++y)
                for (int x = 0; x < f.width; ++x) {
                    const auto plane = [&](int i, int sx, int sy) { return f.data[i][(y >> sy) * f.linesize[i] + (x >> sx)]; };
                    const host::YuvRgb want = host::YuvToRgb(plane(0, 0, 0), plane(1, d->log2_chroma_w, d->log2_chroma_h),
                                                             plane(2, d->log2_chroma_w, d->log2_chroma_h));
                    const uint8_t* got = sink.kept[n].data() + size_t(y) * pitch + size_t(x) * 3;
                    differ += got[0] != want.b || got[1] != want.g || got[2] != want.r;
                }
            ++n;
        }));
        EXPECT_GE(n, 2u) << av_get_pix_fmt_name(c.layout);
        EXPECT_EQ(sink.kept.size(), n) << av_get_pix_fmt_name(c.layout);
        EXPECT_EQ(differ, 0u) << av_get_pix_fmt_name(c.layout);
        std::remove(path.c_str());
    }
}

// A stream that declares full range or the BT.709 matrix shows the colours it declares:
// black 16 stays 16 at full range, where video range takes it to 0; and the red lower
// part (Y'CbCr 81, 90, 240) has green 24 by BT.709, 0 by BT.601.
TEST(MediaFilePicturesTest, TheRangeAndMatrixAStreamDeclaresAreHonoured) {
    const std::string path = TempPath("declared.mkv");
    const auto picture = [&](AVColorRange range, AVColorSpace matrix, int x, int y) {
        AvMovie m{AvKind::Mpeg4Mkv, 1, 64, 48, 25, 0};
        m.range = range;
        m.matrix = matrix;
        size_t pitch = 0;
        const KeepingSink sink = WriteAvMovie(path, m).empty() ? Pictures(path, &pitch) : KeepingSink{};
        if (sink.kept.empty()) return std::vector<int>{};
        const uint8_t* p = sink.kept[0].data() + size_t(y) * pitch + size_t(x) * 3;
        return std::vector<int>{p[2], p[1], p[0]};
    };
    // Frame 0 shows every block of its top band black.
    const std::vector<int> black = picture(AVCOL_RANGE_JPEG, AVCOL_SPC_BT470BG, 4, 8);
    ASSERT_EQ(black.size(), 3u);
    EXPECT_NEAR(black[1], 16, 6);
    const std::vector<int> red = picture(AVCOL_RANGE_MPEG, AVCOL_SPC_BT709, 20, 32);
    ASSERT_EQ(red.size(), 3u);
    EXPECT_NEAR(red[1], 24, 8);
    std::remove(path.c_str());
}

// Back at the start the file is opened afresh, and its stream probe decodes a picture: the
// decoders let go of theirs first, so the live heap rises by nothing near a picture's
// planes (the probe's luma plane alone is 8.3 MB; the file's records are far less).
TEST(MediaFilePicturesTest, ASeekToTheStartLetsTheDecodersPicturesGoBeforeTheFileOpensAgain) {
    if (!orvik_test::AllocationWatch::Available()) GTEST_SKIP() << "no sanitizer allocation hook";
    const std::string path = TempPath("restart.avi");
    ASSERT_EQ(WriteAvMovie(path, {AvKind::Mpeg4Avi, 3, 3840, 2160, 25, 0}), "");
    auto file = host::graph::MediaFile::Open(path, 44100, [](int32_t, int32_t) { return true; });
    ASSERT_TRUE(file);
    KeepingSink sink;
    while (sink.kept.empty() && file->Step(sink)) {
    }
    sink.kept.clear();
    orvik_test::AllocationWatch watch;
    file->Seek(0);
    constexpr size_t kPlanes = size_t(3840) * 2160 * 3 / 2;
    EXPECT_LT(watch.LiveRise(), kPlanes / 4);
    ASSERT_TRUE(file->Step(sink));
    std::remove(path.c_str());
}

}  // namespace
}  // namespace movie_test
