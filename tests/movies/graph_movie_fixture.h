// Movies through the media graph: files made with libavcodec, and a frame callback that
// reads the frame number off each frame the movie hands over. The graph's streaming
// thread delivers frames on its own, so checks wait for the frame they expect, with a
// bound.
#pragma once
#include <fstream>

#include "../support/bounded_wait.h"
#include "av_movie_maker.h"
#include "engine/sound/movies/frame_copy_renderer.h"
#include "host/win/system/wide_text.h"
#include "movie_fixture.h"
#include "tools/okvpack/archive_writer.h"

namespace movie_test {

// An archive holding one file.
inline bool WriteArchive(const std::string& path, const std::string& name, const std::vector<uint8_t>& bytes,
                         const char* key) {
    okvpack::PackDir root;
    root.files.push_back({name, bytes});
    okvpack::PackOptions options;
    options.keyString = key;
    const std::vector<uint8_t> image = okvpack::BuildArchive(root, options, nullptr);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(image.data()), std::streamsize(image.size()));
    return !image.empty() && bool(out);
}

// A Y4M movie of `width` x 48 pictures, each showing its number as ReadFrameNumber reads
// it and lasting `seconds`.
inline std::vector<uint8_t> Y4mMovie(int frames, long seconds, int width = 64) {
    const std::string header =
        "YUV4MPEG2 W" + std::to_string(width) + " H48 F1:" + std::to_string(seconds) + " Ip A1:1 C420jpeg\n";
    std::vector<uint8_t> bytes(header.begin(), header.end());
    for (int n = 0; n < frames; ++n) {
        for (char c : std::string("FRAME\n")) bytes.push_back(uint8_t(c));
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < width; ++x) bytes.push_back(y < 16 && (n >> (7 - x / (width / 8)) & 1) ? 235 : 16);
        bytes.insert(bytes.end(), size_t(width) * 24, 128);
    }
    return bytes;
}

constexpr int64_t kSecond = 10000000;  // the graph's time, in 100 ns
// The bound of a wait for work whose time depends on the machine alone (pictures of 8K
// decoded under a sanitizer on a loaded machine): never why a test fails.
constexpr double kGenerousSeconds = 120.0;

inline int g_lastFrame = -1;
inline int g_handedFrames = 0;

// The frame number a 24-bit frame (blue, green, red) `width` wide shows.
inline int Rgb24FrameNumber(const uint8_t* pixels, int32_t pitch, int width = 64) {
    return ReadFrameNumber(
        [&](int x, int y) {
            const uint8_t* p = pixels + ptrdiff_t(y) * pitch + ptrdiff_t(x) * 3;
            return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
        },
        width);
}

// Reads the 24-bit frame image a media-graph movie hands to graphics.
inline int RecordFrame(orvik::MovieRecord* r, uint32_t) {
    const orvik::BaseImage& f = *r->currentImage;
    g_lastFrame = Rgb24FrameNumber(f.pixels, f.pitch);
    ++g_handedFrames;
    return 0;
}

class GraphMovieTest : public MovieTest {
protected:
    void SetUp() override {
        MovieTest::SetUp();
        g_lastFrame = -1;
        g_handedFrames = 0;
    }
    std::string Make(const std::string& name, const AvMovie& m) {
        const std::string path = engine_.Log().Directory() + "/" + name;
        EXPECT_EQ(WriteAvMovie(path, m), "");
        return path;
    }
    int Open(const std::string& path) {
        const int movie = orvik::OpenMovie(path.c_str(), nullptr, nullptr, 0);
        if (movie >= 0) orvik::SetMovieFrameCallback(movie, RecordFrame, 0);
        return movie;
    }
    // Updates the movie until `done` holds; false when five seconds pass first.
    template <class Done>
    static bool Until(int movie, Done done) {
        return orvik_test::WaitUntil(
            [&] {
                orvik::UpdateMovie(movie);
                return done();
            },
            5.0);
    }
    // Waits, however long the machine takes to decode it, until the movie's renderer holds
    // frame `frame` of pictures `width` wide.
    static bool RendererHolds(int movie, int frame, int width) {
        orvik::D_CFrameCopyRenderer& renderer = *orvik::GetMovieRecord(movie)->renderer;
        return orvik_test::WaitUntil(
            [&] {
                std::lock_guard hold(renderer.frameLock);
                return renderer.buffer && Rgb24FrameNumber(renderer.buffer, renderer.pitch, width) == frame;
            },
            kGenerousSeconds);
    }
    static ::testing::AssertionResult Shows(int movie, int frame) {
        if (Until(movie, [&] { return g_lastFrame == frame; })) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "shows frame " << g_lastFrame << ", not " << frame;
    }
    // Plays the mixer on for `ms`, keeping what it put out.
    static std::vector<int16_t> Listen(int ms) {
        host::ClearHeadlessAudioCapture();
        host::HeadlessAudioAdvance(uint32_t(44100 * ms / 1000));
        return host::HeadlessAudioCapture();
    }
    // The mixer plays in steps of 10 ms, each once the movie's source has read ahead, as
    // a real output pulls while the decoder keeps up.
    static void HearMovie(int movie, int ms, std::vector<int16_t>* heard = nullptr) {
        host::IGraphBuilder* graph = orvik::GetMovieRecord(movie)->graph;
        for (int done = 0; done < ms; done += 10) {
            Until(movie, [&] { return host::IsGraphSourceAhead(graph); });
            const std::vector<int16_t> part = Listen(10);
            if (heard) heard->insert(heard->end(), part.begin(), part.end());
            orvik::UpdateMovie(movie);
        }
    }
};

}  // namespace movie_test
