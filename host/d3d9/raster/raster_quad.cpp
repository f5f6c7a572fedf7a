// Two triangles sharing an edge that form a convex quadrangle, as rotated and scaled
// sprites come, drawn as one shape row by row. The top-left rule gives each pixel centre
// on the shared edge to exactly one of the two, and at every corner the two cover
// together what the quadrangle's outer edges cover, so the pixels are the same.
// Where both shade alike (the same fast span, colour and fixed-point texture stepping)
// each row is one span of the quadrangle. Otherwise each triangle keeps its own exact
// stepping: a row the two share is still one span, whose texture coordinates switch to
// the second triangle's at the column where its part begins.
#include <algorithm>

#include "host/d3d9/raster/raster.h"
#include "host/d3d9/raster/raster_common.h"

namespace host {
namespace {

// Both shade every pixel alike: the same fast span, colour and texture steps, and the
// same texture coordinates at one pixel (the rest follow by the same integer steps).
bool SameShading(const TriangleSetup& a, const TriangleSetup& b) {
    if (!a.fast || !b.fast || a.fastUnit != b.fastUnit || a.diffuse != b.diffuse || a.fastTextures != b.fastTextures)
        return false;
    for (int s = 0; s < a.fastTextures; ++s)
        for (int axis = 0; axis < 2; ++axis)
            if (a.texStep[s][axis] != b.texStep[s][axis] || a.texStepY[s][axis] != b.texStepY[s][axis] ||
                a.TexelStart(s, axis, 0, a.rowRef) != b.TexelStart(s, axis, 0, a.rowRef))
                return false;
    return true;
}

// Both take the same stepped fast span with the same colour, each with its own texture
// coordinates, on a target the spans write directly.
bool SameSpan(const DrawState& st, const TriangleSetup& a, const TriangleSetup& b) {
    return st.targetBytes == 4 && a.fast && b.fast && a.fastClamped == b.fastClamped && a.diffuse == b.diffuse &&
           a.fastTextures == b.fastTextures;
}

int64_t Turn(const int64_t X[4], const int64_t Y[4], int i) {
    const int j = (i + 1) % 4, k = (i + 2) % 4;
    return (X[j] - X[i]) * (Y[k] - Y[i]) - (X[k] - X[i]) * (Y[j] - Y[i]);
}

// A turned shape's rows gathered and shaded a batch at a time by one call, which makes
// the span's set-up once for the batch rather than once a row.
class RowBatch {
public:
    RowBatch(const DrawState& st, FastSteppedRowsFn rows, const FastSpan& span) : st_(st), rows_(rows), span_(span) {}
    ~RowBatch() { Flush(); }
    RowBatch(const RowBatch&) = delete;
    RowBatch& operator=(const RowBatch&) = delete;

    // Pixels x0..x1 of row y, from `starts` (the row's own), switching to `next`'s
    // coordinates at its column `splitX` where a second triangle's part begins.
    void Add(int x0, int x1, int y, const RowStarts& starts, const RowStarts* next = nullptr, int splitX = 0) {
        if (n_ == kCapacity) Flush();
        PrepareTarget(st_, x0, x1, y, y, false);
        SteppedRow& row = batch_[n_++];
        row.dst = reinterpret_cast<uint32_t*>(st_.target + size_t(y) * st_.targetPitch) + x0;
        row.count = x1 - x0 + 1;
        row.split = next ? splitX - x0 : FastTexture::kNoSplit;
        for (int s = 0; s < 2; ++s) {
            row.tu[s] = starts.At(s, 0, x0);
            row.tv[s] = starts.At(s, 1, x0);
            row.splitTu[s] = next ? next->At(s, 0, splitX) : 0;
            row.splitTv[s] = next ? next->At(s, 1, splitX) : 0;
        }
    }

private:
    void Flush() {
        if (n_ > 0) rows_(batch_, n_, span_);
        n_ = 0;
    }

    static constexpr int kCapacity = 48;  // every row of a turned sprite up to 32 pixels
    const DrawState& st_;
    FastSteppedRowsFn rows_;
    const FastSpan& span_;
    SteppedRow batch_[kCapacity];
    int n_ = 0;
};

// Shades the quadrangle's outline as one shape with the first triangle's set-up.
void ShadeOutline(const DrawState& st, const TriangleSetup& t, int64_t X[4], int64_t Y[4], bool clockwise) {
    if (!clockwise) {
        std::swap(X[1], X[3]);
        std::swap(Y[1], Y[3]);
    }
    int y0, y1;
    if (!RowsOf(st, *std::min_element(Y, Y + 4), *std::max_element(Y, Y + 4), &y0, &y1)) return;
    EdgeWalk edges[4];
    for (int i = 0; i < 4; ++i) edges[i].Setup(X[i], Y[i], X[(i + 1) % 4], Y[(i + 1) % 4], y0);
    FastSpan fast;
    t.FillFastSpan(st, &fast);
    if (st.targetBytes != 4) {
        ShadeEdges(st, t, fast, edges, 4, y0, y1);
        return;
    }
    RowStarts starts(t, y0);
    int startsRow = y0;
    RowBatch rows(st, t.fastSteppedRows, fast);
    ForEachSpan(st, edges, 4, y0, y1, [&](int x0, int x1, int y) {
        // The starts step with every row, drawn or not.
        for (; startsRow < y; ++startsRow) starts.Step();
        rows.Add(x0, x1, y, starts);
    });
}

// One triangle's part of the rows: its edges, its span for the row and its own stepping.
struct Part {
    const PreparedTriangle& p;
    EdgeWalk edges[3];
    RowStarts starts;
    int x0 = 0, x1 = -1;

    Part(const PreparedTriangle& prepared, int y) : p(prepared), starts(prepared.t, y) { p.EdgesFrom(y, edges); }
    bool Row(const DrawState& st, int y) { return y >= p.y0 && y <= p.y1 && RowSpan(st, edges, 3, &x0, &x1); }
    void Step() {
        for (EdgeWalk& e : edges) e.Step();
        starts.Step();
    }
};

// The two triangles row by row, each shading its own part with its own set-up; a row
// both reach is one span, switching to the right one's coordinates at its first column.
// Rows led by the same triangle go to the same batch, whose span carries that triangle's
// steps and the other's as its split steps.
void ShadeParts(const DrawState& st, const PreparedTriangle& a, const PreparedTriangle& b) {
    const int y0 = std::min(a.y0, b.y0), y1 = std::max(a.y1, b.y1);
    Part parts[2] = {Part(a, y0), Part(b, y0)};
    FastSpan fast[2];
    a.t.FillFastSpan(st, &fast[0]);
    b.t.FillFastSpan(st, &fast[1]);
    for (int i = 0; i < 2; ++i)
        for (int s = 0; s < 2; ++s) {
            fast[i].tex[s].splitDtu = fast[1 - i].tex[s].dtu;
            fast[i].tex[s].splitDtv = fast[1 - i].tex[s].dtv;
        }
    RowBatch rows[2] = {RowBatch(st, a.t.fastSteppedRows, fast[0]), RowBatch(st, b.t.fastSteppedRows, fast[1])};
    for (int y = y0; y <= y1; ++y) {
        const bool in[2] = {parts[0].Row(st, y), parts[1].Row(st, y)};
        if (in[0] && in[1] && parts[0].x1 + 1 == parts[1].x0) {
            rows[0].Add(parts[0].x0, parts[1].x1, y, parts[0].starts, &parts[1].starts, parts[1].x0);
        } else if (in[0] && in[1] && parts[1].x1 + 1 == parts[0].x0) {
            rows[1].Add(parts[1].x0, parts[0].x1, y, parts[1].starts, &parts[0].starts, parts[0].x0);
        } else {
            for (int i = 0; i < 2; ++i)
                if (in[i]) rows[i].Add(parts[i].x0, parts[i].x1, y, parts[i].starts);
        }
        for (Part& part : parts) part.Step();
    }
}

}  // namespace

bool RasterConvexPair(const DrawState& st, const ScreenVertex* const first[3], const ScreenVertex* const second[3],
                      const ScreenVertex* const flat[2], const ScreenVertex& own, const ScreenVertex& b,
                      const ScreenVertex& c, const ScreenVertex& opposite) {
    // The outline in the first triangle's order: own, b, then the second's far corner, c.
    const ScreenVertex* outline[4] = {&own, &b, &opposite, &c};
    int64_t X[4], Y[4];
    for (int i = 0; i < 4; ++i)
        if (!SnapCorner(st, outline[i]->x, outline[i]->y, &X[i], &Y[i])) return false;
    // Every corner turns the same way, and none is straight: convex.
    const int64_t turn = Turn(X, Y, 0);
    if (turn == 0) return false;
    for (int i = 1; i < 4; ++i) {
        const int64_t next = Turn(X, Y, i);
        if (next == 0 || (next > 0) != (turn > 0)) return false;
    }
    // A triangle that draws nothing (culled, or outside the clip rectangle) leaves the other.
    // Kept from quad to quad, as the rectangles' set-up is: constructing the two cost a
    // turned sprite more than setting them up. PrepareTriangle writes every field a draw
    // reads.
    static thread_local PreparedTriangle t, other;
    const bool drawn[2] = {PrepareTriangle(st, first, *flat[0], &t), PrepareTriangle(st, second, *flat[1], &other)};
    if (drawn[0] && drawn[1] && SameShading(t.t, other.t)) {
        ShadeOutline(st, t.t, X, Y, turn > 0);
    } else if (drawn[0] && drawn[1] && SameSpan(st, t.t, other.t)) {
        ShadeParts(st, t, other);
    } else {
        if (drawn[0]) ShadeTriangle(st, t);
        if (drawn[1]) ShadeTriangle(st, other);
    }
    return true;
}

}  // namespace host
