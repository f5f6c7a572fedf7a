#include "engine/platform/base/matrix.h"

#include <cmath>
#include <cstring>

#include "engine/platform/base/log.h"
#include "engine/platform/base/number.h"

namespace orvik {

namespace {

constexpr Matrix4 kIdentity = {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};

ScreenSizeQuery g_screenSize = nullptr;

float At(const Matrix4& m, int r, int c) { return m.m[r * 4 + c]; }

float ResolveAspect(float aspect) {
    if (aspect >= 0) return aspect;
    int width = 640, height = 480;
    if (g_screenSize) g_screenSize(&width, &height);
    return width > 0 ? float(height) / float(width) : 0.0f;
}

Vector3 Cross(const Vector3& a, const Vector3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

Vector3 Normalized(const Vector3& v) {
    Vector3 out;
    NormalizeVector3(&out, &v);
    return out;
}

// The determinant of the 3 x 3 minor left when row r and column c are struck out.
float Minor(const Matrix4& m, int r, int c) {
    float e[9];
    int n = 0;
    for (int i = 0; i < 4; ++i) {
        if (i == r) continue;
        for (int j = 0; j < 4; ++j) {
            if (j != c) e[n++] = At(m, i, j);
        }
    }
    return e[0] * (e[4] * e[8] - e[5] * e[7]) - e[1] * (e[3] * e[8] - e[5] * e[6]) +
           e[2] * (e[3] * e[7] - e[4] * e[6]);
}

}  // namespace

int SetUnitMatrix(Matrix4* out) {
    if (!out) return -1;
    *out = kIdentity;
    return 0;
}

int MultiplyMatrix4(Matrix4* out, const Matrix4* a, const Matrix4* b) {
    if (!out || !a || !b) return 0;
    Matrix4 product;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            float sum = 0;
            for (int k = 0; k < 4; ++k) sum += At(*a, r, k) * At(*b, k, c);
            product.m[r * 4 + c] = sum;
        }
    }
    *out = product;
    return 0;
}

int TransposeMatrix4(Matrix4* out, const Matrix4* in) {
    if (!out || !in) return -1;
    Matrix4 t;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) t.m[r * 4 + c] = At(*in, c, r);
    }
    *out = t;
    return 0;
}

int InvertMatrix4(Matrix4* out, const Matrix4* in) {
    if (!out || !in) return -1;
    float cofactor[16];
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) cofactor[r * 4 + c] = ((r + c) % 2 ? -1.0f : 1.0f) * Minor(*in, r, c);
    }
    float determinant = 0;
    for (int c = 0; c < 4; ++c) determinant += At(*in, 0, c) * cofactor[c];
    if (determinant > -1e-7f && determinant < 1e-7f) return -1;
    // The inverse is the transposed cofactor matrix over the determinant.
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) out->m[r * 4 + c] = cofactor[c * 4 + r] / determinant;
    }
    return 0;
}

int BuildFovProjectionMatrix(Matrix4* out, float fovAngle, float zNear, float zFar, float aspect) {
    if (!out) return -1;
    const float a = ResolveAspect(aspect);
    float s = 0, c = 0;
    SinCosFloat(fovAngle * 0.5f, &s, &c);
    if (std::fabs(zFar - zNear) < 0.0001f || std::fabs(s) < 0.0001f) return -1;
    const float cot = c / s;
    std::memset(out, 0, sizeof *out);
    out->m[0] = a * cot;
    out->m[5] = cot;
    out->m[10] = zFar / (zFar - zNear);
    out->m[11] = 1;
    out->m[14] = -out->m[10] * zNear;
    out->m[15] = 0;
    return 0;
}

int BuildOrthoProjectionMatrix(Matrix4* out, float viewHeight, float zNear, float zFar, float aspect) {
    if (!out) return -1;
    const float a = ResolveAspect(aspect);
    if (std::fabs(zNear - zFar) < 0.0001f) return -1;
    if (viewHeight == 0 || a == 0) {
        AddLogText("正射影行列の作成に失敗しました( 高さか縦横比が０です ) in BuildOrthoProjectionMatrix\n");
        return -1;
    }
    const float viewWidth = viewHeight / a;
    std::memset(out, 0, sizeof *out);
    out->m[0] = 2 / viewWidth;
    out->m[5] = 2 / viewHeight;
    out->m[10] = 1 / (zFar - zNear);
    out->m[14] = zNear / (zNear - zFar);
    out->m[15] = 1;
    return 0;
}

int BuildViewportTransform(Matrix4* out, float centerX, float centerY, float width, float height) {
    if (!out) return -1;
    std::memset(out, 0, sizeof *out);
    out->m[0] = width * 0.5f;
    out->m[5] = -height * 0.5f;
    out->m[10] = 1;
    out->m[12] = centerX;
    out->m[13] = centerY;
    out->m[15] = 1;
    return 0;
}

int BuildViewMatrix(Matrix4* out, const Vector3* eye, const Vector3* target, const Vector3* up) {
    if (!out || !eye || !target || !up) return -1;
    const Vector3 z = Normalized({target->x - eye->x, target->y - eye->y, target->z - eye->z});
    const Vector3 x = Normalized(Cross(*up, z));
    const Vector3 y = Normalized(Cross(z, x));
    const Vector3 axes[3] = {x, y, z};
    for (int c = 0; c < 3; ++c) {
        out->m[0 * 4 + c] = axes[c].x;
        out->m[1 * 4 + c] = axes[c].y;
        out->m[2 * 4 + c] = axes[c].z;
        out->m[3 * 4 + c] = -DotVector3(&axes[c], eye);
    }
    out->m[3] = out->m[7] = out->m[11] = 0;
    out->m[15] = 1;
    return 0;
}

int NormalizeVector3(Vector3* out, const Vector3* in) {
    if (!out || !in) return -1;
    const float length = SqrtFloat(in->x * in->x + in->y * in->y + in->z * in->z);
    *out = {in->x / length, in->y / length, in->z / length};
    return 0;
}

Vector3* MakeNormalizedVector3(Vector3* out, float x, float y, float z) {
    if (!out) return nullptr;
    const Vector3 v{x, y, z};
    NormalizeVector3(out, &v);
    return out;
}

float DotVector3(const Vector3* a, const Vector3* b) {
    if (!a || !b) return 0;
    return a->x * b->x + a->y * b->y + a->z * b->z;
}

int TransformVector3(Vector3* out, const Vector3* v, const Matrix4* m) {
    if (!out || !v || !m) return -1;
    Vector3 r;
    r.x = v->x * At(*m, 0, 0) + v->y * At(*m, 1, 0) + v->z * At(*m, 2, 0) + At(*m, 3, 0);
    r.y = v->x * At(*m, 0, 1) + v->y * At(*m, 1, 1) + v->z * At(*m, 2, 1) + At(*m, 3, 1);
    r.z = v->x * At(*m, 0, 2) + v->y * At(*m, 1, 2) + v->z * At(*m, 2, 2) + At(*m, 3, 2);
    *out = r;
    return 0;
}

void SetProjectionScreenSizeQuery(ScreenSizeQuery query) { g_screenSize = query; }

double PowFloat(float x, float y) { return std::pow(double(x), double(y)); }

}  // namespace orvik
