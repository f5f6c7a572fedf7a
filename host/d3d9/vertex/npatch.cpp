#include "host/d3d9/vertex/npatch.h"

#include <cmath>

namespace host {
namespace {

Vec3 Add(const Vec3& a, const Vec3& b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
Vec3 Sub(const Vec3& a, const Vec3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Vec3 Scale(const Vec3& a, float s) { return {a[0] * s, a[1] * s, a[2] * s}; }
float Dot(const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

Vec3 Normalized(const Vec3& a) {
    const float length = std::sqrt(Dot(a, a));
    return length > 0.0f ? Scale(a, 1.0f / length) : a;
}

// Control point (i, j, k) of a triangle of degree d, i + j + k = d.
int Slot(int d, int j, int k) { return k * (d + 1) - k * (k - 1) / 2 + j; }

float Power(float x, int n) {
    float r = 1.0f;
    for (int i = 0; i < n; ++i) r *= x;
    return r;
}

// The Bernstein polynomial of degree d for (i, j, k) at weights (w, u, v).
float Bernstein(int d, int j, int k, float w, float u, float v) {
    static constexpr int kFactorial[4] = {1, 1, 2, 6};
    const int i = d - j - k;
    return float(kFactorial[d] / (kFactorial[i] * kFactorial[j] * kFactorial[k])) * Power(w, i) * Power(u, j) *
           Power(v, k);
}

// The degree-d triangle of control points `p` at (u, v), and its partial derivatives.
void Evaluate(int d, const Vec3* p, float u, float v, NPatchPoint* out) {
    const float w = 1.0f - u - v;
    out->position = out->du = out->dv = Vec3{};
    for (int k = 0; k <= d; ++k)
        for (int j = 0; j + k <= d; ++j)
            out->position = Add(out->position, Scale(p[Slot(d, j, k)], Bernstein(d, j, k, w, u, v)));
    for (int k = 0; k < d; ++k)
        for (int j = 0; j + k < d; ++j) {
            const float b = float(d) * Bernstein(d - 1, j, k, w, u, v);
            const Vec3& here = p[Slot(d, j, k)];
            out->du = Add(out->du, Scale(Sub(p[Slot(d, j + 1, k)], here), b));
            out->dv = Add(out->dv, Scale(Sub(p[Slot(d, j, k + 1)], here), b));
        }
}

// The control point of the cubic patch's edge from corner a towards corner b, a third of
// the way: the point of the straight edge projected onto corner a's tangent plane.
Vec3 EdgePoint(const Vec3& pa, const Vec3& pb, const Vec3& na) {
    const float w = Dot(Sub(pb, pa), na);
    return Scale(Sub(Add(Scale(pa, 2.0f), pb), Scale(na, w)), 1.0f / 3.0f);
}

// The quadratic normal patch's middle control point of the edge from a to b: the corners'
// normals summed and mirrored in the plane that is perpendicular to the edge.
Vec3 EdgeNormal(const Vec3& pa, const Vec3& pb, const Vec3& na, const Vec3& nb) {
    const Vec3 edge = Sub(pb, pa);
    const float lengthSquared = Dot(edge, edge);
    const float mirror = lengthSquared > 0.0f ? 2.0f * Dot(edge, Add(na, nb)) / lengthSquared : 0.0f;
    return Normalized(Sub(Add(na, nb), Scale(edge, mirror)));
}

}  // namespace

Vec3 Cross(const Vec3& a, const Vec3& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

NPatch::NPatch(const std::array<Vec3, 3>& p, const std::array<Vec3, 3>& n, NPatchDegrees degrees)
    : degrees_(degrees) {
    if (!degrees.cubicPosition) {
        position_[Slot(1, 0, 0)] = p[0], position_[Slot(1, 1, 0)] = p[1], position_[Slot(1, 0, 1)] = p[2];
    } else {
        Vec3* b = position_.data();
        b[Slot(3, 0, 0)] = p[0], b[Slot(3, 3, 0)] = p[1], b[Slot(3, 0, 3)] = p[2];
        b[Slot(3, 1, 0)] = EdgePoint(p[0], p[1], n[0]), b[Slot(3, 2, 0)] = EdgePoint(p[1], p[0], n[1]);
        b[Slot(3, 0, 1)] = EdgePoint(p[0], p[2], n[0]), b[Slot(3, 0, 2)] = EdgePoint(p[2], p[0], n[2]);
        b[Slot(3, 2, 1)] = EdgePoint(p[1], p[2], n[1]), b[Slot(3, 1, 2)] = EdgePoint(p[2], p[1], n[2]);
        // The centre moves from the corners' mean past the edge points' mean by half the gap.
        Vec3 edges{}, corners = Add(Add(p[0], p[1]), p[2]);
        for (const auto& [j, k] : {std::pair{1, 0}, {2, 0}, {0, 1}, {0, 2}, {2, 1}, {1, 2}})
            edges = Add(edges, b[Slot(3, j, k)]);
        const Vec3 e = Scale(edges, 1.0f / 6.0f), mean = Scale(corners, 1.0f / 3.0f);
        b[Slot(3, 1, 1)] = Add(e, Scale(Sub(e, mean), 0.5f));
    }
    normal_ = {n[0], EdgeNormal(p[0], p[1], n[0], n[1]), n[1], EdgeNormal(p[0], p[2], n[0], n[2]),
               EdgeNormal(p[1], p[2], n[1], n[2]), n[2]};
}

NPatchPoint NPatch::At(float u, float v) const {
    NPatchPoint out;
    Evaluate(degrees_.cubicPosition ? 3 : 1, position_.data(), u, v, &out);
    const float w = 1.0f - u - v;
    const Vec3* n = normal_.data();
    if (!degrees_.quadraticNormal) {
        out.normal = Add(Add(Scale(n[Slot(2, 0, 0)], w), Scale(n[Slot(2, 2, 0)], u)), Scale(n[Slot(2, 0, 2)], v));
        return out;
    }
    // Each term's weight is the product of its corners' weights (no Bernstein factors): the
    // sum is then normalised.
    Vec3 sum{};
    for (int k = 0; k <= 2; ++k)
        for (int j = 0; j + k <= 2; ++j)
            sum = Add(sum, Scale(n[Slot(2, j, k)], Power(w, 2 - j - k) * Power(u, j) * Power(v, k)));
    out.normal = Normalized(sum);
    return out;
}

}  // namespace host
