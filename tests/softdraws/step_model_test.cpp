// The triangle walk, the line clip and the rotated draw's span path against slow models
// that follow their arithmetic step by step (fixed point, truncations, clipping order),
// written apart from the renderer, on thousands of random draws each. The models give
// every pixel of the target; any difference names the draw and the first pixel.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "draw_fixture.h"
#include "engine/platform/base/number.h"
#include "engine/softrender/draws/draw_rotated.h"
#include "engine/softrender/draws/line.h"
#include "engine/softrender/draws/triangle.h"

namespace {

using namespace drawtest;

constexpr int64_t kOne = 262144;  // one pixel or texel in 18-bit fixed point
constexpr int kSide = 64;         // the target's width and height
constexpr uint32_t kFlat = 0xFF123456u;

struct Box {
    int32_t left, top, right, bottom;  // right and bottom exclusive
};

// Whole pixels of a fixed-point value, truncating toward 0.
int32_t Whole(int64_t fixed) { return static_cast<int32_t>(fixed / kOne); }

// What a model draws: the target's pixels, row by row, and the source it reads.
class Canvas {
public:
    Canvas(const Box& area, const Image* source) : area_(area), source_(source), pixels_(kSide * kSide, 0) {}
    bool InArea(int32_t x, int32_t y) const {
        return x >= area_.left && x < area_.right && y >= area_.top && y < area_.bottom;
    }
    void Put(int32_t x, int32_t y, uint32_t v) {
        if (!InArea(x, y)) std::abort();  // a model that writes outside the area is wrong itself
        pixels_[size_t(y) * kSide + size_t(x)] = v;
    }
    // The source pixel of a texel position when it lies inside the source.
    void PutTexel(int32_t x, int32_t y, uint32_t u, uint32_t v) {
        const uint32_t w = uint32_t(source_->img.width), h = uint32_t(source_->img.height);
        if (u < (w << 18) && v < (h << 18)) Put(x, y, Id(int(u >> 18), int(v >> 18)));
    }
    const Box& Area() const { return area_; }
    const std::vector<uint32_t>& Pixels() const { return pixels_; }

private:
    Box area_;
    const Image* source_;
    std::vector<uint32_t> pixels_;
};

// ---- Triangle ----

struct Fixed {
    int32_t x, y, u, v;
};

// Exchange sort of the indices 0, 1, 2 by a key; equal keys are not swapped.
template <class Key>
void ExchangeSort(const Fixed* f, Key key, int out[3]) {
    out[0] = 0, out[1] = 1, out[2] = 2;
    for (int i = 0; i < 2; ++i)
        for (int j = i + 1; j < 3; ++j)
            if (key(f[out[i]]) > key(f[out[j]])) std::swap(out[i], out[j]);
}

struct Segment {
    int32_t x, slope, rows, startRow;
};

Segment SegmentFrom(const Fixed& p, const Fixed& q, int32_t startX) {
    const int32_t rows = (q.y - p.y) / int32_t(kOne);
    return {startX, (q.x - startX) / rows, rows, Whole(p.y)};
}

int32_t Gradient(int32_t numerator, int32_t area) {
    return static_cast<int32_t>(double(numerator) * 262144.0 / double(area));
}

void ModelTriangle(Canvas& c, const MemImgVertex in[3], bool textured) {
    Fixed f[3];
    for (int i = 0; i < 3; ++i)
        f[i] = {in[i].x * int32_t(kOne) + int32_t(kOne / 2), in[i].y * int32_t(kOne) + int32_t(kOne / 2),
                in[i].u * int32_t(kOne), in[i].v * int32_t(kOne)};
    int a[3], o[3];
    ExchangeSort(f, [](const Fixed& p) { return p.x; }, a);
    ExchangeSort(f, [](const Fixed& p) { return p.y; }, o);
    auto d = [&](int i, int j, int32_t Fixed::*m) { return (f[a[j]].*m - f[a[i]].*m) / int32_t(kOne); };
    const int32_t area = d(0, 1, &Fixed::y) * d(0, 2, &Fixed::x) - d(0, 2, &Fixed::y) * d(0, 1, &Fixed::x);
    if (area == 0) return;
    const int32_t uPerX = Gradient(d(0, 1, &Fixed::y) * d(0, 2, &Fixed::u) - d(0, 2, &Fixed::y) * d(0, 1, &Fixed::u), area);
    const int32_t uPerY = Gradient(d(0, 1, &Fixed::u) * d(0, 2, &Fixed::x) - d(0, 2, &Fixed::u) * d(0, 1, &Fixed::x), area);
    const int32_t vPerX = Gradient(d(0, 1, &Fixed::y) * d(0, 2, &Fixed::v) - d(0, 2, &Fixed::y) * d(0, 1, &Fixed::v), area);
    const int32_t vPerY = Gradient(d(0, 1, &Fixed::v) * d(0, 2, &Fixed::x) - d(0, 2, &Fixed::v) * d(0, 1, &Fixed::x), area);
    const int32_t x0 = Whole(f[a[0]].x), y0 = Whole(f[a[0]].y), u0 = f[a[0]].u, v0 = f[a[0]].v;

    const Fixed &t = f[o[0]], &m = f[o[1]], &b = f[o[2]];
    std::vector<Segment> left, right;
    if (in[o[0]].y == in[o[1]].y) {
        const Fixed &l = t.x <= m.x ? t : m, &r = t.x <= m.x ? m : t;
        left = {SegmentFrom(l, b, l.x)};
        right = {SegmentFrom(r, b, r.x)};
    } else if (in[o[1]].y == in[o[2]].y) {
        const Fixed &l = m.x <= b.x ? m : b, &r = m.x <= b.x ? b : m;
        left = {SegmentFrom(t, l, t.x)};
        right = {SegmentFrom(t, r, t.x)};
    } else {
        const double toMiddle = double(m.x - t.x) / double((m.y - t.y) / int32_t(kOne));
        const double toBottom = double(b.x - t.x) / double((b.y - t.y) / int32_t(kOne));
        if (toMiddle < toBottom) {
            left = {SegmentFrom(t, m, t.x), SegmentFrom(m, b, m.x)};
            right = {SegmentFrom(t, b, t.x)};
        } else {
            left = {SegmentFrom(t, b, t.x)};
            right = {SegmentFrom(t, m, t.x), SegmentFrom(m, b, m.x + 1)};
        }
    }

    const Box& clip = c.Area();
    size_t li = 0, ri = 0;
    int32_t lx = left[0].x, rx = right[0].x, row = left[0].startRow;
    int32_t leftRows = left[0].rows, rightRows = right[0].rows;
    for (;;) {
        int32_t l = Whole(lx), count = Whole(rx) - l + 1;
        if (l < clip.left) {
            count -= clip.left - l;
            l = clip.left;
        }
        uint32_t u = uint32_t(u0) + uint32_t(row - y0) * uint32_t(uPerY) + uint32_t(l - x0) * uint32_t(uPerX);
        uint32_t v = uint32_t(v0) + uint32_t(row - y0) * uint32_t(vPerY) + uint32_t(l - x0) * uint32_t(vPerX);
        if (row >= clip.top && row < clip.bottom && l < clip.right && count > 0) {
            for (int32_t x = l; count > 0 && x < clip.right; ++x, --count) {
                if (textured) c.PutTexel(x, row, u, v);
                else c.Put(x, row, kFlat);
                u += uint32_t(uPerX);
                v += uint32_t(vPerX);
            }
        }
        lx += left[li].slope;
        rx += right[ri].slope;
        ++row;
        --leftRows;
        --rightRows;
        if (leftRows == 0) {
            if (++li == left.size()) return;
            lx = left[li].x;
            row = left[li].startRow;
            leftRows = left[li].rows;
        }
        if (rightRows == 0) {
            if (++ri == right.size()) return;
            rx = right[ri].x;
            rightRows = right[ri].rows;
        }
    }
}

// ---- Line ----

void ModelLine(Canvas& c, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    const Box& a = c.Area();
    if (std::max(y1, y2) < a.top || std::min(y1, y2) > a.bottom - 1 || std::min(x1, x2) > a.right - 1 ||
        std::max(x1, x2) < a.left)
        return;
    const double xPerY = y1 == y2 ? 0.0 : double(x2 - x1) / double(y2 - y1);
    const double yPerX = x1 == x2 ? 0.0 : double(y2 - y1) / double(x2 - x1);
    const double xAt0 = x1 - xPerY * y1, yAt0 = y1 - yPerX * x1;
    // Truncation toward 0, as every recomputed coordinate is converted.
    auto onLine = [](double at0, double per, int32_t c) { return static_cast<int32_t>(at0 + per * c); };
    if (x1 < a.left) x1 = a.left, y1 = onLine(yAt0, yPerX, x1);
    else if (x1 >= a.right) x1 = a.right - 1, y1 = onLine(yAt0, yPerX, x1);
    if (x2 < a.left) x2 = a.left - 1, y2 = onLine(yAt0, yPerX, x2);
    else if (x2 >= a.right) x2 = a.right, y2 = onLine(yAt0, yPerX, x2);
    if (y1 < a.top) y1 = a.top, x1 = onLine(xAt0, xPerY, y1);
    else if (y1 >= a.bottom) y1 = a.bottom - 1, x1 = onLine(xAt0, xPerY, y1);
    if (y2 < a.top) y2 = a.top - 1, x2 = onLine(xAt0, xPerY, y2);
    else if (y2 >= a.bottom) y2 = a.bottom, x2 = onLine(xAt0, xPerY, y2);
    x1 = std::clamp(x1, a.left, a.right - 1);
    x2 = std::clamp(x2, a.left - 1, a.right);
    y1 = std::clamp(y1, a.top, a.bottom - 1);
    y2 = std::clamp(y2, a.top - 1, a.bottom);
    const int32_t sx = x2 < x1 ? -1 : 1, sy = y2 < y1 ? -1 : 1;
    const int32_t spanX = std::abs(x2 - x1), spanY = std::abs(y2 - y1);
    const bool alongX = spanX >= spanY;
    const int32_t major = alongX ? spanX : spanY, minor = alongX ? spanY : spanX;
    // Pixel k lies k along the major axis and floor(k * minor / major) along the minor one.
    for (int32_t k = 0; k < major; ++k) {
        const int32_t across = k * minor / major;
        c.Put(x1 + sx * (alongX ? k : across), y1 + sy * (alongX ? across : k), kFlat);
    }
}

// ---- Rotated draw, span path ----

void ModelRotated(Canvas& c, const Image& src, int32_t x, int32_t y, float angle, float scale) {
    float s, co;
    SinCosFloat(-angle, &s, &co);
    const int32_t cosN = FloatToInt(co * 262144.0f), sinN = FloatToInt(s * 262144.0f);
    SinCosFloat(angle, &s, &co);
    const int32_t cosP = FloatToInt(co * 262144.0f), sinP = FloatToInt(s * 262144.0f);
    const uint32_t w = uint32_t(src.img.width), h = uint32_t(src.img.height);
    const float hw = float(w) * scale * 0.5f, hh = float(h) * scale * 0.5f;
    const float cP = float(cosP), sP = float(sinP);
    const float A = hw * cP, B = hw * sP, D = hh * cP, E = hh * sP;
    const float cornerX[4] = {E - A, -A - E, A - E, A + E}, cornerY[4] = {-D - B, D - B, D + B, B - D};
    int64_t minX = INT64_MAX, maxX = INT64_MIN, minY = INT64_MAX, maxY = INT64_MIN;
    for (int i = 0; i < 4; ++i) {
        const int64_t px = FloatToInt(cornerX[i]) + int64_t{x} * kOne, py = FloatToInt(cornerY[i]) + int64_t{y} * kOne;
        minX = std::min(minX, px), maxX = std::max(maxX, px), minY = std::min(minY, py), maxY = std::max(maxY, py);
    }
    const int32_t du = FloatToInt(cP / scale), dv = FloatToInt(float(sinN) / scale);
    const Box& clip = c.Area();
    const int32_t left = std::clamp(Whole(minX) - 2, clip.left, clip.right);
    const int32_t top = std::clamp(Whole(minY) - 2, clip.top, clip.bottom);
    const int32_t right = std::clamp(Whole(maxX) + 4, clip.left, clip.right);
    const int32_t bottom = std::clamp(Whole(maxY) + 4, clip.top, clip.bottom);
    if (right <= left || bottom <= top) return;
    // The sums stay below 2^24 in these draws, so single precision holds them exactly and
    // the division rounds only the quotient.
    auto map = [&](int32_t px, int32_t py, int32_t* u, int32_t* v) {
        const int32_t offX = px - x, offY = py - y;
        *u = FloatToInt(float(offX * cosN - offY * sinN) / scale) + int32_t((w / 2) << 18);
        *v = FloatToInt(float(offY * cosN + offX * sinN) / scale) + int32_t((h / 2) << 18);
    };
    int32_t uTop, vTop, uBottom, vBottom;
    map(left, top, &uTop, &vTop);
    map(left, bottom, &uBottom, &vBottom);
    const int32_t duRow = (uBottom - uTop) / (bottom - top), dvRow = (vBottom - vTop) / (bottom - top);
    for (int32_t r = top; r < bottom; ++r) {
        uint32_t u = uint32_t(uTop) + uint32_t(r - top) * uint32_t(duRow);
        uint32_t v = uint32_t(vTop) + uint32_t(r - top) * uint32_t(dvRow);
        for (int32_t col = left; col < right; ++col, u += uint32_t(du), v += uint32_t(dv)) c.PutTexel(col, r, u, v);
    }
}

// ---- The comparisons ----

class StepModelTest : public WalkTest {
protected:
    // A random draw area inside the target, never empty.
    Box RandomArea() {
        std::uniform_int_distribution<int> edge(0, kSide / 4);
        const Box a{edge(rng), edge(rng), kSide - edge(rng), kSide - edge(rng)};
        Area(a.left, a.top, a.right, a.bottom);
        return a;
    }
    int Between(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
    float Between(float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); }

    // The target against the model; the first differing pixel, or success.
    ::testing::AssertionResult Matches(const Canvas& model, const std::string& draw) const {
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x)
                if (target.At(x, y) != model.Pixels()[size_t(y) * kSide + size_t(x)])
                    return ::testing::AssertionFailure()
                           << draw << ": pixel (" << x << ", " << y << ") is " << std::hex << target.At(x, y)
                           << ", the model has " << model.Pixels()[size_t(y) * kSide + size_t(x)];
        return ::testing::AssertionSuccess();
    }
};

TEST_F(StepModelTest, TrianglesCoverAndMapAsTheFixedPointWalkDoes) {
    MakeSource(40, 40);
    int twoSegmentSides = 0;
    for (int i = 0; i < 3000; ++i) {
        MakeTarget(kSide, kSide);
        const Box area = RandomArea();
        MemImgVertex v[3];
        for (auto& p : v) p = {Between(-12, kSide + 12), Between(-12, kSide + 12), Between(-8, 48), Between(-8, 48)};
        const bool textured = i % 2 == 0;
        RasterMemImgTriangle(&target.img, textured ? &source.img : nullptr, v, 0, nullptr, kFlat);
        Canvas model(area, &source);
        ModelTriangle(model, v, textured);
        std::ostringstream draw;
        draw << "triangle " << i << " (" << v[0].x << "," << v[0].y << ") (" << v[1].x << "," << v[1].y << ") ("
             << v[2].x << "," << v[2].y << ")";
        ASSERT_TRUE(Matches(model, draw.str()));
        const int top = std::min({v[0].y, v[1].y, v[2].y}), bottom = std::max({v[0].y, v[1].y, v[2].y});
        for (const auto& p : v) twoSegmentSides += p.y > top && p.y < bottom;
    }
    EXPECT_GT(twoSegmentSides, 1000);  // many triangles had a middle vertex: one side has two segments
}

TEST_F(StepModelTest, ClippedLinesRecomputeTheirEndsByTruncation) {
    int clipped = 0;
    for (int i = 0; i < 4000; ++i) {
        MakeTarget(kSide, kSide);
        const Box area = RandomArea();
        const int32_t x1 = Between(-40, kSide + 40), y1 = Between(-40, kSide + 40);
        const int32_t x2 = Between(-40, kSide + 40), y2 = Between(-40, kSide + 40);
        DrawMemImgLine(&target.img, x1, y1, x2, y2, kFlat);
        Canvas model(area, nullptr);
        ModelLine(model, x1, y1, x2, y2);
        std::ostringstream draw;
        draw << "line " << i << " (" << x1 << "," << y1 << ")-(" << x2 << "," << y2 << ")";
        ASSERT_TRUE(Matches(model, draw.str()));
        clipped += x1 < area.left || x1 >= area.right || y1 < area.top || y1 >= area.bottom;
    }
    EXPECT_GT(clipped, 2000);
}

TEST_F(StepModelTest, RotatedDrawsWalkTheirBoxFromItsMarginedCorner) {
    for (int i = 0; i < 2500; ++i) {
        MakeSource(Between(1, 32), Between(1, 32));
        MakeTarget(kSide, kSide);
        const Box area = RandomArea();
        const int32_t x = Between(-8, kSide + 8), y = Between(-8, kSide + 8);
        const float angle = Between(-3.2f, 3.2f), scale = Between(0.25f, 1.5f) * (i % 5 == 0 ? -1.0f : 1.0f);
        DrawMemImgRotated(&target.img, &source.img, x, y, angle, scale, 0, 0, nullptr);
        Canvas model(area, &source);
        ModelRotated(model, source, x, y, angle, scale);
        std::ostringstream draw;
        draw << "rotated draw " << i << " of " << source.img.width << " x " << source.img.height << " at (" << x
             << ", " << y << ") angle " << angle << " scale " << scale;
        ASSERT_TRUE(Matches(model, draw.str()));
    }
}

}  // namespace
