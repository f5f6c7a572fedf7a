// A turned shape's rows are shaded a batch at a time, with the span's set-up made once
// for the batch and each row's texture starts stepped from the row above. Both must give
// exactly what one stepped span per row gave from starts worked out afresh for its row:
// the same texels at the same pixels, in every state the fast spans serve, with the AVX2
// spans and with SSE2 alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "host/d3d9/device/d3d9_host.h"
#include "host/d3d9/raster/fast_span.h"
#include "host/d3d9/raster/raster_common.h"

namespace host::test {
namespace {

constexpr int kRowPixels = 64;  // pixels a test row holds; spans stop short of the end
constexpr int kTexSide = 16;

struct RowsCase {
    FastSource color, alpha;
    FastBlend blend;
    int alphaPassFrom;
};

// Texels with runs of clear and opaque alphas (whole vectors take the shortcuts) and some
// alphas in between.
std::vector<uint32_t> RowsTexels(std::mt19937& rng) {
    std::vector<uint32_t> texels(kTexSide * kTexSide);
    for (size_t i = 0; i < texels.size(); ++i) {
        const uint32_t run = uint32_t(i / 6 % 3);
        const uint32_t alpha = run == 0 ? 0u : run == 1 ? 255u : rng() % 256;
        texels[i] = alpha << 24 | (rng() & 0xFFFFFFu);
    }
    return texels;
}

// A span state over the two textures, with steps that may cross texels at any angle and
// leave the texture (so clamping counts) and a second triangle's steps apart from them.
FastSpan RowsSpan(std::mt19937& rng, const RowsCase& c, const std::vector<uint32_t> (&texels)[2],
                  std::vector<bool>& passTable) {
    FastSpan f;
    // Under a texel either way, in every fraction bit.
    auto step = [&] { return int64_t(rng()) - (int64_t(1) << 31); };
    for (int s = 0; s < 2; ++s) {
        FastTexture& t = f.tex[s];
        t.texels = texels[s].data();
        t.pitch = kTexSide;
        t.width = t.height = kTexSide;
        t.alphaOr = rng() % 4 == 0 ? 0xFF000000u : 0;
        t.dtu = step();
        t.dtv = step();
        t.splitDtu = rng() % 3 == 0 ? t.dtu : step();
        t.splitDtv = rng() % 3 == 0 ? t.dtv : step();
    }
    const uint32_t colors[] = {0xFFFFFFFFu, 0x80FFFFFFu, 0xFF808040u, uint32_t(rng())};
    f.color = colors[rng() % 4];
    f.secondXor = rng() % 2 ? 255u : 0u;
    f.alphaPassFrom = c.alphaPassFrom;
    f.targetAlphaOr = rng() % 2 ? 0xFF000000u : 0;
    // An alpha test no threshold stands for: alphas from 64 up to 191 pass.
    passTable.assign(256, false);
    for (int a = 0; a < 256; ++a)
        passTable[size_t(a)] = c.alphaPassFrom >= 0 ? a >= c.alphaPassFrom : a >= 64 && a < 192;
    return f;
}

// Random rows: spans of 1 to 40 pixels starting anywhere in and around the texture, some
// with a second triangle's part from the first pixel, a middle one, the last, or none.
std::vector<SteppedRow> RandomRows(std::mt19937& rng, std::vector<uint32_t>& target, int n) {
    std::vector<SteppedRow> rows(static_cast<size_t>(n));
    auto start = [&] { return (int64_t(rng() % (kTexSide * 4)) - kTexSide) * (int64_t(1) << 32) + int64_t(rng()); };
    for (int r = 0; r < n; ++r) {
        SteppedRow& row = rows[size_t(r)];
        row.count = 1 + int(rng() % 40);
        row.dst = target.data() + size_t(r) * kRowPixels + rng() % 8;
        const int splits[] = {FastTexture::kNoSplit, 0, int(rng() % uint32_t(row.count)), row.count - 1};
        row.split = splits[rng() % 4];
        for (int s = 0; s < 2; ++s) {
            row.tu[s] = start();
            row.tv[s] = start();
            row.splitTu[s] = start();
            row.splitTv[s] = start();
        }
    }
    return rows;
}

// The same rows over another target of the same size.
std::vector<SteppedRow> RowsOver(std::vector<SteppedRow> rows, const std::vector<uint32_t>& from,
                                 std::vector<uint32_t>& to) {
    for (SteppedRow& row : rows) row.dst = to.data() + (row.dst - from.data());
    return rows;
}

// The rows as they were shaded before: one stepped span a row, its FastSpan given the
// row's starts and split.
void ShadeRowByRow(const RowsCase& c, const std::vector<SteppedRow>& rows, FastSpan f) {
    const FastSpanFn span = SelectFastSpan(c.color, c.alpha, c.blend, false, c.alphaPassFrom);
    for (const SteppedRow& row : rows) {
        StartRow(row, &f);
        span(row.dst, row.count, f);
    }
}

class SteppedRowsTest : public ::testing::Test {
protected:
    void TearDown() override { D3D9Settings().forceBaselineSpans = false; }
};

TEST_F(SteppedRowsTest, BatchesGiveThePixelsOfOneSpanPerRow) {
    // The reference is the SSE2 span a row, whose texel stepping is its own; the batches
    // are checked with the AVX2 spans and with SSE2 alone.
    std::mt19937 rng(29);
    const std::vector<uint32_t> texels[2] = {RowsTexels(rng), RowsTexels(rng)};
    const FastSource colors[] = {FastSource::Texel, FastSource::Diffuse, FastSource::Product};
    const FastSource alphas[] = {FastSource::Texel, FastSource::Diffuse, FastSource::Product, FastSource::Second};
    const FastBlend blends[] = {FastBlend::None, FastBlend::Alpha, FastBlend::Add};
    const int thresholds[] = {0, 1, 128, 255, 256, -1};
    int cases = 0;
    for (FastSource color : colors)
        for (FastSource alpha : alphas)
            for (FastBlend blend : blends)
                for (int from : thresholds)
                    for (int round = 0; round < 3; ++round) {
                        const RowsCase c{color, alpha, blend, from};
                        std::vector<bool> passTable;
                        FastSpan f = RowsSpan(rng, c, texels, passTable);
                        bool pass[256];
                        for (int a = 0; a < 256; ++a) pass[a] = passTable[size_t(a)];
                        f.alphaPass = pass;
                        const int n = 1 + int(rng() % 50);
                        std::vector<uint32_t> before(size_t(n) * kRowPixels);
                        for (uint32_t& p : before) p = rng();
                        std::vector<uint32_t> reference = before;
                        const std::vector<SteppedRow> rows = RandomRows(rng, reference, n);
                        D3D9Settings().forceBaselineSpans = true;
                        ShadeRowByRow(c, rows, f);
                        for (bool baseline : {false, true}) {
                            D3D9Settings().forceBaselineSpans = baseline;
                            std::vector<uint32_t> batched = before;
                            const std::vector<SteppedRow> batchRows = RowsOver(rows, reference, batched);
                            const FastSteppedRowsFn fn = SelectFastSteppedRows(color, alpha, blend, from);
                            ASSERT_NE(fn, nullptr);
                            fn(batchRows.data(), n, f);
                            ASSERT_EQ(batched, reference)
                                << "colour " << int(color) << " alpha " << int(alpha) << " blend " << int(blend)
                                << " threshold " << from << (baseline ? " with SSE2 alone" : "") << " round "
                                << round;
                            ++cases;
                        }
                    }
    EXPECT_EQ(cases, 3 * 4 * 3 * 6 * 3 * 2);
}

// A triangle's set-up from three corners in 1/256 pixels, through the same preparation a
// drawn triangle takes, texture coordinates at each corner in both stages.
bool SteppedSetup(std::mt19937& rng, const int64_t X[3], const int64_t Y[3], PreparedTriangle* p,
                  std::vector<uint32_t>& texels) {
    DrawState st;
    st.clipX0 = st.clipY0 = -100000;
    st.clipX1 = st.clipY1 = 100000;
    st.cullMode = D3DCULL_NONE;
    st.fast = true;
    st.stageCount = 2;
    for (int s = 0; s < 2; ++s) {
        st.stageUsesTexture[s] = true;
        st.ops[s].texSet = s;
        st.samplers[s].levelCount = 1;
        st.samplers[s].levels[0] = TexelLevel{texels.data(), kTexSide, kTexSide, kTexSide, 0, 1};
    }
    ScreenVertex v[3];
    const ScreenVertex* corners[3] = {&v[0], &v[1], &v[2]};
    for (int i = 0; i < 3; ++i) {
        v[i].x = float(X[i]) / 256.0f;
        v[i].y = float(Y[i]) / 256.0f;
        for (int s = 0; s < 2; ++s)
            for (int axis = 0; axis < 2; ++axis) v[i].tc[s][axis] = float(int(rng() % 8001) - 4000) / 1000.0f;
    }
    return PrepareTriangle(st, corners, v[0], p);
}

TEST_F(SteppedRowsTest, RowStartsSteppedDownGiveEachRowsOwnStart) {
    // Triangles small and large, thin and far off, on fractional corners: from the first
    // row down, the starts stepped by additions equal TexelStart's for the row at every
    // column, in both stages and along both axes.
    std::mt19937 rng(31);
    std::vector<uint32_t> texels(kTexSide * kTexSide, 0xFF000000u);
    const int64_t spans[] = {2 * 256, 40 * 256, 3000 * 256, 60000 * 256};
    int checked = 0;
    for (int i = 0; i < 400; ++i) {
        const int64_t span = spans[i % 4];
        const int64_t cx = int64_t(rng() % 200000) - 100000, cy = int64_t(rng() % 200000) - 100000;
        int64_t X[3], Y[3];
        for (int k = 0; k < 3; ++k) {
            X[k] = cx + int64_t(rng() % uint64_t(span)) - span / 2;
            Y[k] = cy + int64_t(rng() % uint64_t(span)) - span / 2;
        }
        if (i % 7 == 0) Y[1] = Y[0];  // a flat edge
        PreparedTriangle p;
        if (!SteppedSetup(rng, X, Y, &p, texels)) continue;
        const TriangleSetup& t = p.t;
        ASSERT_TRUE(t.fast);
        RowStarts starts(t, p.y0);
        const int lastRow = std::min(p.y1, p.y0 + 300);
        for (int y = p.y0; y <= lastRow; ++y, starts.Step()) {
            const int x = int(rng() % 2000) - 1000 + int(cx / 256);
            for (int s = 0; s < 2; ++s)
                for (int axis = 0; axis < 2; ++axis) {
                    ASSERT_EQ(starts.At(s, axis, x), t.TexelStart(s, axis, x, y))
                        << "triangle " << i << " row " << y << " stage " << s << " axis " << axis;
                    ++checked;
                }
        }
    }
    EXPECT_GT(checked, 10000);
}

}  // namespace
}  // namespace host::test
