#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "engine/platform/base/format.h"
#include "engine/platform/base/matrix.h"
#include "engine/platform/base/rect.h"
#include "tests/support/temp_log.h"

namespace {

using namespace orvik;

Matrix4 Rows(std::initializer_list<float> values) {
    Matrix4 m{};
    int i = 0;
    for (float v : values) m.m[i++] = v;
    return m;
}

void ExpectMatrix(const Matrix4& actual, const Matrix4& expected) {
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(actual.m[i], expected.m[i], 1e-5f) << "element " << i;
}

// Scale (2, 3, 4), then move by (5, 6, 7).
const Matrix4 kScaleMove = Rows({2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 4, 0, 5, 6, 7, 1});

TEST(MatrixTest, ProductsFollowRowVectorOrderEvenInPlace) {
    const Matrix4 a = Rows({1, 2, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
    const Matrix4 b = Rows({1, 0, 0, 0, 3, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
    Matrix4 out;
    MultiplyMatrix4(&out, &a, &b);
    ExpectMatrix(out, Rows({7, 2, 0, 0, 3, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}));
    MultiplyMatrix4(&out, &b, &a);
    ExpectMatrix(out, Rows({1, 2, 0, 0, 3, 7, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}));

    Matrix4 m = kScaleMove;
    const Matrix4 move = Rows({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1, 1, 1, 1});
    MultiplyMatrix4(&m, &m, &move);
    ExpectMatrix(m, Rows({2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 4, 0, 6, 7, 8, 1}));

    Matrix4 t;
    TransposeMatrix4(&t, &kScaleMove);
    EXPECT_EQ(t.m[3], 5);
    EXPECT_EQ(t.m[7], 6);
    EXPECT_EQ(t.m[11], 7);
    EXPECT_EQ(t.m[12], 0);
    SetUnitMatrix(&t);
    MultiplyMatrix4(&out, &kScaleMove, &t);
    ExpectMatrix(out, kScaleMove);
    EXPECT_EQ(MultiplyMatrix4(nullptr, &a, &b), 0);
}

TEST(MatrixTest, InverseUndoesAndNearSingularIsRefused) {
    Matrix4 inverse;
    ASSERT_EQ(InvertMatrix4(&inverse, &kScaleMove), 0);
    ExpectMatrix(inverse, Rows({0.5f, 0, 0, 0, 0, 1.0f / 3, 0, 0, 0, 0, 0.25f, 0, -2.5f, -2, -1.75f, 1}));
    Matrix4 product;
    MultiplyMatrix4(&product, &kScaleMove, &inverse);
    Matrix4 unit;
    SetUnitMatrix(&unit);
    ExpectMatrix(product, unit);

    // Determinant 1e-8.
    const Matrix4 flat = Rows({1e-2f, 0, 0, 0, 0, 1e-2f, 0, 0, 0, 0, 1e-4f, 0, 0, 0, 0, 1});
    Matrix4 untouched = kScaleMove;
    EXPECT_EQ(InvertMatrix4(&untouched, &flat), -1);
    ExpectMatrix(untouched, kScaleMove);
}

TEST(MatrixTest, PerspectiveProjectionFromHandWorkedValues) {
    Matrix4 p;
    ASSERT_EQ(BuildFovProjectionMatrix(&p, float(M_PI / 2), 1, 101, 0.75f), 0);
    ExpectMatrix(p, Rows({0.75f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1.01f, 1, 0, 0, -1.01f, 0}));

    // A negative aspect comes from the screen: 640 x 480 until graphics says otherwise.
    Matrix4 fromScreen;
    BuildFovProjectionMatrix(&fromScreen, float(M_PI / 2), 1, 101, -1);
    EXPECT_NEAR(fromScreen.m[0], 0.75f, 1e-6f);
    SetProjectionScreenSizeQuery([](int* w, int* h) {
        *w = 1000;
        *h = 500;
        return 0;
    });
    BuildFovProjectionMatrix(&fromScreen, float(M_PI / 2), 1, 101, -1);
    SetProjectionScreenSizeQuery(nullptr);
    EXPECT_NEAR(fromScreen.m[0], 0.5f, 1e-6f);

    Matrix4 kept = kScaleMove;
    EXPECT_EQ(BuildFovProjectionMatrix(&kept, 1.0f, 5, 5, 0.75f), -1);
    EXPECT_EQ(BuildFovProjectionMatrix(&kept, 0.0f, 1, 10, 0.75f), -1);
    ExpectMatrix(kept, kScaleMove);
}

TEST(MatrixTest, OrthographicProjectionAndViewport) {
    Matrix4 o;
    ASSERT_EQ(BuildOrthoProjectionMatrix(&o, 480, 10, 100, 0.75f), 0);
    ExpectMatrix(o, Rows({2.0f / 640, 0, 0, 0, 0, 2.0f / 480, 0, 0, 0, 0, 1.0f / 90, 0, 0, 0, -1.0f / 9, 1}));
    EXPECT_EQ(BuildOrthoProjectionMatrix(&o, 480, 3, 3, 0.75f), -1);
    orvik_test::TempLog log;
    EXPECT_EQ(BuildOrthoProjectionMatrix(&o, 0, 1, 3, 0.75f), -1);
    EXPECT_EQ(BuildOrthoProjectionMatrix(&o, 480, 1, 3, 0), -1);

    Matrix4 v;
    BuildViewportTransform(&v, 320, 240, 640, 480);
    Vector3 corner{-1, 1, 0.5f}, out;
    TransformVector3(&out, &corner, &v);
    EXPECT_FLOAT_EQ(out.x, 0);
    EXPECT_FLOAT_EQ(out.y, 0);
    EXPECT_FLOAT_EQ(out.z, 0.5f);
    corner = {1, -1, 0};
    TransformVector3(&out, &corner, &v);
    EXPECT_FLOAT_EQ(out.x, 640);
    EXPECT_FLOAT_EQ(out.y, 480);
}

TEST(MatrixTest, ViewMatrixLooksAlongTheTargetLeftHanded) {
    const Vector3 up{0, 1, 0}, origin{0, 0, 0};
    const Vector3 eye{10, 0, 0};
    Matrix4 view;
    BuildViewMatrix(&view, &eye, &origin, &up);
    ExpectMatrix(view, Rows({0, 0, -1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 10, 1}));
    // Seen from +x looking at the origin, +z lies to the right.
    const Vector3 point{0, 0, 5};
    Vector3 seen;
    TransformVector3(&seen, &point, &view);
    EXPECT_NEAR(seen.x, 5, 1e-6f);
    EXPECT_NEAR(seen.y, 0, 1e-6f);
    EXPECT_NEAR(seen.z, 10, 1e-6f);

    Vector3 n;
    EXPECT_EQ(MakeNormalizedVector3(&n, 3, 0, 4), &n);
    EXPECT_FLOAT_EQ(n.x, 0.6f);
    EXPECT_FLOAT_EQ(n.z, 0.8f);
    EXPECT_FLOAT_EQ(DotVector3(&n, &n), 1.0f);
    EXPECT_DOUBLE_EQ(PowFloat(2.0f, 10.0f), 1024.0);
}

TEST(MatrixTest, ClipRectEdgeCases) {
    const Rect screen{0, 0, 640, 480};
    struct Case {
        Rect in, out;
    } cases[] = {
        {{700, 10, 800, 20}, {640, 10, 640, 20}},     // right of the bounds: empty on the edge
        {{10, 10, 5, 5}, {10, 10, 10, 10}},           // reversed: emptied first
        {{-50, -50, 10, 10}, {0, 0, 10, 10}},         // over the top-left corner
        {{100, 500, 200, 600}, {100, 480, 200, 480}}, // below the bounds
        {{-10, 100, -5, 200}, {0, 100, 0, 200}},      // left of the bounds
        {{0, 0, 640, 480}, {0, 0, 640, 480}},         // exactly the bounds
    };
    for (const Case& c : cases) {
        Rect r = c.in;
        EXPECT_EQ(ClipRect(&r, &screen), 0);
        EXPECT_EQ(r.left, c.out.left);
        EXPECT_EQ(r.top, c.out.top);
        EXPECT_EQ(r.right, c.out.right);
        EXPECT_EQ(r.bottom, c.out.bottom);
    }
}

TEST(MatrixTest, FormattingStopsAtTheBufferSize) {
    char small[8];
    std::memset(small, 'x', sizeof small);
    EXPECT_EQ(FormatText(small, sizeof small, "%s-%d", "abcdef", 12345), 0);
    EXPECT_STREQ(small, "abcdef-");
    EXPECT_EQ(FormatText(small, sizeof small, "%d", 42), 0);
    EXPECT_STREQ(small, "42");
    EXPECT_EQ(FormatText(small, 0, "%d", 42), -1);
}

}  // namespace
