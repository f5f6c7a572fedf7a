#include "host/d3d9/vertex/patch_basis.h"

#include <algorithm>

namespace host {
namespace {

int Spans(D3DBASISTYPE basis, int degree, int points) {
    switch (basis) {
        case D3DBASIS_BEZIER: return (points - 1) / degree;
        case D3DBASIS_BSPLINE: return points - degree;
        default: return points - 1;
    }
}

float Power(float x, int n) {
    float r = 1.0f;
    for (int i = 0; i < n; ++i) r *= x;
    return r;
}

// x to the power n, 0 when n is negative (a term a derivative has taken away).
float PowerOrZero(float x, int n) { return n < 0 ? 0.0f : Power(x, n); }

float Factorial(int n) { return n <= 1 ? 1.0f : float(n) * Factorial(n - 1); }

float Binomial(int n, int k) {
    float r = 1.0f;
    for (int i = 1; i <= k; ++i) r = r * float(n - k + i) / float(i);
    return r;
}

// Bernstein polynomial k of degree d at t (0 outside 0..d).
float Bernstein(int d, int k, float t) {
    return k < 0 || k > d ? 0.0f : Binomial(d, k) * Power(t, k) * Power(1.0f - t, d - k);
}

// Piece p (0..d) of the uniform B-spline of degree d, whose support is [0, d + 1], at p + t.
float BSplinePiece(int d, int p, float t) {
    if (p < 0 || p > d) return 0.0f;
    if (d == 0) return 1.0f;
    const float x = float(p) + t;
    return (x * BSplinePiece(d - 1, p, t) + (float(d + 1) - x) * BSplinePiece(d - 1, p - 1, t)) / float(d);
}

}  // namespace

const char* BasisFault(D3DBASISTYPE basis, DWORD degree, UINT points) {
    if (degree != D3DDEGREE_LINEAR && degree != D3DDEGREE_QUADRATIC && degree != D3DDEGREE_CUBIC &&
        degree != D3DDEGREE_QUINTIC)
        return "the patch's degree is not linear, quadratic, cubic or quintic";
    switch (basis) {
        case D3DBASIS_BEZIER:
            return points >= 2 && (points - 1) % degree == 0
                       ? nullptr
                       : "a Bezier patch's control points less one, each way, are not a multiple of its degree";
        case D3DBASIS_BSPLINE:
            return points > degree ? nullptr : "a B-spline patch has no more control points a way than its degree";
        case D3DBASIS_CATMULL_ROM:
            if (degree != D3DDEGREE_CUBIC) return "a Catmull-Rom patch is not cubic";
            return points >= 2 ? nullptr : "a Catmull-Rom patch has fewer than two control points a way";
        default: return "the patch's basis is not Bezier, B-spline or Catmull-Rom";
    }
}

BasisWeights BasisAt(D3DBASISTYPE basis, int degree, int points, float t) {
    const int spans = Spans(basis, degree, points);
    const int span = std::min(int(t * float(spans)), spans - 1);
    const float s = t * float(spans) - float(span);  // the parameter within the span
    BasisWeights out;
    out.count = degree + 1;
    for (int k = 0; k <= degree; ++k) {
        float weight = 0, slope = 0;
        switch (basis) {
            case D3DBASIS_BEZIER:
                out.point[size_t(k)] = span * degree + k;
                weight = Bernstein(degree, k, s);
                slope = float(degree) * (Bernstein(degree - 1, k - 1, s) - Bernstein(degree - 1, k, s));
                break;
            case D3DBASIS_BSPLINE:
                out.point[size_t(k)] = span + k;
                weight = BSplinePiece(degree, degree - k, s);
                slope = BSplinePiece(degree - 1, degree - k, s) - BSplinePiece(degree - 1, degree - k - 1, s);
                break;
            default: {  // Catmull-Rom: points span - 1 to span + 2, held to the row
                static constexpr float kWeight[4][4] = {
                    {0, -0.5f, 1, -0.5f}, {1, 0, -2.5f, 1.5f}, {0, 0.5f, 2, -1.5f}, {0, 0, -0.5f, 0.5f}};
                out.point[size_t(k)] = std::clamp(span - 1 + k, 0, points - 1);
                const float* c = kWeight[k];
                weight = c[0] + s * (c[1] + s * (c[2] + s * c[3]));
                slope = c[1] + s * (2 * c[2] + s * 3 * c[3]);
            }
        }
        out.weight[size_t(k)] = weight;
        out.slope[size_t(k)] = slope * float(spans);
    }
    return out;
}

UINT TriPatchPoints(int degree) { return UINT((degree + 1) * (degree + 2) / 2); }

void TriBasisAt(int degree, float u, float v, TriTerm* out) {
    const float w = 1.0f - u - v;
    for (int k = 0; k <= degree; ++k)
        for (int j = 0; j + k <= degree; ++j) {
            const int i = degree - j - k;
            const float c = Factorial(degree) / (Factorial(i) * Factorial(j) * Factorial(k));
            const float uj = Power(u, j), vk = Power(v, k), wi = Power(w, i);
            const float dw = float(i) * PowerOrZero(w, i - 1) * uj * vk;  // by w, which falls as u or v grows
            *out++ = {c * wi * uj * vk, c * (float(j) * PowerOrZero(u, j - 1) * wi * vk - dw),
                      c * (float(k) * PowerOrZero(v, k - 1) * wi * uj - dw)};
        }
}

}  // namespace host
