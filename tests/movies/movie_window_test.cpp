// Movies shown straight on the window through an overlay surface: where the overlay is
// placed (scaled, moved to the client area, cut to it with the source cut to match),
// when it is hidden, that an unchanged placement is not sent again, and that closing
// the movie hides and releases it. Nothing in the engine makes overlays, so the test
// gives the movie one of its own.
#include <limits>
#include <tuple>
#include <vector>

#include "engine/platform/window/window_mode.h"
#include "graph_movie_fixture.h"

namespace movie_test {
namespace {

using namespace orvik;

struct OverlayCall {
    bool shown;
    host::RECT source, destination;
};

class RecordingOverlay final : public MovieOverlay {
public:
    explicit RecordingOverlay(std::vector<OverlayCall>& calls, bool& released) : calls_(calls), released_(released) {}
    uint32_t AddRef() override { return ++refs_; }
    uint32_t Release() override {
        if (--refs_ == 0) {
            released_ = true;
            delete this;
            return 0;
        }
        return refs_;
    }
    host::HRESULT UpdateOverlay(const host::RECT* source, void* primary, const host::RECT* destination,
                                uint32_t flags) override {
        EXPECT_EQ(primary, nullptr);  // the primary surface is never there
        calls_.push_back({flags == DDOVER_SHOW, source ? *source : host::RECT{}, destination ? *destination : host::RECT{}});
        return host::S_OK;
    }

private:
    std::vector<OverlayCall>& calls_;
    bool& released_;
    uint32_t refs_ = 1;
};

bool Same(const host::RECT& a, const host::RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST_F(GraphMovieTest, AMovieOnTheWindowPlacesItsOverlayCutToTheClientArea) {
    Start();
    const int movie = Open(Make("window.avi", {AvKind::Mpeg4Avi, 5, 64, 48, 25, 0}));
    ASSERT_GE(movie, 0);
    MovieRecord* r = GetMovieRecord(movie);
    std::vector<OverlayCall> calls;
    bool released = false;
    r->windowInterfaces[kMovieOverlaySurface] = new RecordingOverlay(calls, released);
    // Not in window mode, or without a frame yet, nothing is placed.
    EXPECT_EQ(DrawMovieToWindow(10, 20, 2, movie, 1), 0);
    r->windowMode = 1;
    EXPECT_EQ(DrawMovieToWindow(10, 20, 2, movie, 1), 0);
    EXPECT_TRUE(calls.empty());
    r->hasFrame = 1;
    int32_t client[4] = {};
    GetClientScreenRect(client);
    const int cx = client[0], cy = client[1], right = client[2] - client[0];
    ASSERT_GE(right, 200);

    ASSERT_EQ(DrawMovieToWindow(10, 20, 2, movie, 1), 0);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_TRUE(calls[0].shown);
    EXPECT_TRUE(Same(calls[0].source, {0, 0, 64, 48}));
    EXPECT_TRUE(Same(calls[0].destination, {cx + 10, cy + 20, cx + 138, cy + 116}));
    // The same placement again is not sent again.
    ASSERT_EQ(DrawMovieToWindow(10, 20, 2, movie, 1), 0);
    EXPECT_EQ(calls.size(), 1u);
    // Over the right edge: 40 screen pixels cut away are 20 source pixels at scale 2.
    ASSERT_EQ(DrawMovieToWindow(right - 88, 0, 2, movie, 1), 0);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_TRUE(Same(calls[1].source, {0, 0, 44, 48}));
    EXPECT_TRUE(Same(calls[1].destination, {cx + right - 88, cy, cx + right, cy + 96}));
    // Wholly outside, or asked to be invisible: hidden, and the rectangles kept as 0.
    ASSERT_EQ(DrawMovieToWindow(right + 5, 0, 1, movie, 1), 0);
    ASSERT_EQ(DrawMovieToWindow(10, 20, 1, movie, 0), 0);
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_FALSE(calls[2].shown);
    EXPECT_FALSE(calls[3].shown);
    EXPECT_EQ(r->windowState[3], 0);
    EXPECT_EQ(r->windowState[10], 0);
    // The window drawing puts every window movie again where it was last asked to be.
    ASSERT_EQ(DrawMovieToWindow(10, 20, 1, movie, 1), 0);
    r->windowState[8] = -1;  // as if the overlay had been moved meanwhile
    EXPECT_EQ(DrawAllMoviesToWindow(), 0);
    ASSERT_EQ(calls.size(), 6u);
    EXPECT_TRUE(Same(calls[5].destination, {cx + 10, cy + 20, cx + 74, cy + 68}));
    EXPECT_EQ(DrawMovieToWindow(0, 0, 1, movie + 1, 1), -1);
    EXPECT_EQ(ReturnZero(), 0);
    // Closing hides the overlay and lets it go.
    ASSERT_EQ(CloseMovie(movie), 0);
    ASSERT_EQ(calls.size(), 7u);
    EXPECT_FALSE(calls[6].shown);
    EXPECT_TRUE(released);
}

// Placements and scales near the int limits neither overflow nor place a source outside
// the movie: a huge scale shows a part of the movie over the whole client area, and a
// placement past the far corner is hidden.
TEST_F(GraphMovieTest, AMovieOnTheWindowPlacedNearTheIntLimitsStaysInsideItsFrame) {
    Start();
    const int movie = Open(Make("far.avi", {AvKind::Mpeg4Avi, 3, 64, 48, 25, 0}));
    ASSERT_GE(movie, 0);
    MovieRecord* r = GetMovieRecord(movie);
    std::vector<OverlayCall> calls;
    bool released = false;
    r->windowInterfaces[kMovieOverlaySurface] = new RecordingOverlay(calls, released);
    r->windowMode = 1;
    r->hasFrame = 1;
    int32_t client[4] = {};
    GetClientScreenRect(client);

    constexpr int kMin = std::numeric_limits<int>::min(), kMax = std::numeric_limits<int>::max();
    ASSERT_EQ(DrawMovieToWindow(kMin + 5, 0, 1 << 26, movie, 1), 0);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_TRUE(calls[0].shown);
    const host::RECT& s = calls[0].source;
    EXPECT_TRUE(s.left >= 0 && s.left < s.right && s.right <= 64 && s.top >= 0 && s.top < s.bottom && s.bottom <= 48)
        << s.left << " " << s.top << " " << s.right << " " << s.bottom;
    EXPECT_TRUE(Same(calls[0].destination, {client[0], client[1], client[2], client[3]}));
    for (const auto& [x, y, scale] : {std::tuple{kMax - 10, kMax - 10, kMax}, {kMin, kMin, 1}, {kMax, 0, 1}}) {
        ASSERT_EQ(DrawMovieToWindow(x, y, scale, movie, 1), 0);
        EXPECT_FALSE(calls.back().shown) << x << " " << y << " " << scale;
    }
    ASSERT_EQ(CloseMovie(movie), 0);
    EXPECT_TRUE(released);
}

}  // namespace
}  // namespace movie_test
