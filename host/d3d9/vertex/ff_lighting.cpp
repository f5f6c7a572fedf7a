#include "host/d3d9/vertex/ff_lighting.h"

#include <algorithm>
#include <cmath>

namespace host {
namespace {

struct Rgba {
    float r = 0, g = 0, b = 0, a = 0;
};

float Dot(const float a[3], const float b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// Scales v to unit length; a zero vector stays zero.
void Normalize(float v[3]) {
    const float length = std::sqrt(Dot(v, v));
    if (length > 0)
        for (int i = 0; i < 3; ++i) v[i] /= length;
}

void TransformPoint(const D3DVECTOR& v, const D3DMATRIX& m, float out[3]) {
    for (int c = 0; c < 3; ++c) out[c] = v.x * m.m[0][c] + v.y * m.m[1][c] + v.z * m.m[2][c] + m.m[3][c];
}
void TransformDirection(const D3DVECTOR& v, const D3DMATRIX& m, float out[3]) {
    for (int c = 0; c < 3; ++c) out[c] = v.x * m.m[0][c] + v.y * m.m[1][c] + v.z * m.m[2][c];
}

Rgb ToRgb(const D3DCOLORVALUE& c) { return Rgb{c.r, c.g, c.b}; }
Rgba ToRgba(const D3DCOLORVALUE& c) { return Rgba{c.r, c.g, c.b, c.a}; }
Rgba FromArgb(uint32_t c) {
    return Rgba{float((c >> 16) & 255) / 255.0f, float((c >> 8) & 255) / 255.0f, float(c & 255) / 255.0f,
                float(c >> 24) / 255.0f};
}

// The colour a material source names: the material's own, or a colour of the vertex when
// it has that colour.
Rgba Source(DWORD source, const D3DCOLORVALUE& material, const uint32_t* diffuse, const uint32_t* specular) {
    if (source == D3DMCS_COLOR1 && diffuse) return FromArgb(*diffuse);
    if (source == D3DMCS_COLOR2 && specular) return FromArgb(*specular);
    return ToRgba(material);
}

// 0 for anything not above 0 (NaN from a caller's NaN normal or position among them).
uint32_t Byte(float v) { return v > 0 ? uint32_t(std::lround(std::min(v, 1.0f) * 255.0f)) : 0; }
uint32_t ToArgb(float r, float g, float b, float a) { return Byte(a) << 24 | Byte(r) << 16 | Byte(g) << 8 | Byte(b); }

// How strongly a light reaches a vertex (attenuation times the spot cone), and the unit
// vector from the vertex towards it. 0 when out of range or outside the cone.
float Reach(const CameraLight& l, const float position[3], float toLight[3]) {
    if (l.type == D3DLIGHT_DIRECTIONAL) {
        std::copy(l.toLight, l.toLight + 3, toLight);
        return 1.0f;
    }
    for (int i = 0; i < 3; ++i) toLight[i] = l.position[i] - position[i];
    const float distance = std::sqrt(Dot(toLight, toLight));
    if (distance > l.range) return 0.0f;
    Normalize(toLight);
    const float sum = l.attenuation[0] + l.attenuation[1] * distance + l.attenuation[2] * distance * distance;
    // All three terms 0 is not a usable light; it shines unattenuated rather than dividing by 0.
    float reach = sum > 0 ? 1.0f / sum : 1.0f;
    if (l.type != D3DLIGHT_SPOT) return reach;
    const float rho = -Dot(toLight, l.spotAxis);
    if (rho > l.cosHalfTheta) return reach;
    if (rho <= l.cosHalfPhi) return 0.0f;
    const float t = (rho - l.cosHalfPhi) / (l.cosHalfTheta - l.cosHalfPhi);
    return reach * (l.falloff == 1.0f ? t : std::pow(t, l.falloff));
}

}  // namespace

CameraLight ToCameraSpace(const D3DLIGHT9& light, const D3DMATRIX& view) {
    CameraLight l;
    l.type = light.Type;
    l.diffuse = ToRgb(light.Diffuse);
    l.specular = ToRgb(light.Specular);
    l.ambient = ToRgb(light.Ambient);
    TransformPoint(light.Position, view, l.position);
    float direction[3];
    TransformDirection(light.Direction, view, direction);
    Normalize(direction);
    for (int i = 0; i < 3; ++i) {
        l.toLight[i] = -direction[i];
        l.spotAxis[i] = direction[i];
    }
    l.range = light.Range;
    l.attenuation[0] = light.Attenuation0;
    l.attenuation[1] = light.Attenuation1;
    l.attenuation[2] = light.Attenuation2;
    l.cosHalfTheta = std::cos(light.Theta * 0.5f);
    l.cosHalfPhi = std::cos(light.Phi * 0.5f);
    l.falloff = light.Falloff;
    return l;
}

LitColors LightVertex(const LightingSetup& s, const float position[3], const float* normalIn,
                      const uint32_t* vertexDiffuse, const uint32_t* vertexSpecular) {
    const D3DMATERIAL9& m = s.material;
    const Rgba diffuse = Source(s.diffuseSource, m.Diffuse, vertexDiffuse, vertexSpecular);
    const Rgba ambient = Source(s.ambientSource, m.Ambient, vertexDiffuse, vertexSpecular);
    const Rgba emissive = Source(s.emissiveSource, m.Emissive, vertexDiffuse, vertexSpecular);
    const Rgba specular = Source(s.specularSource, m.Specular, vertexDiffuse, vertexSpecular);
    float normal[3] = {0, 0, 0};
    if (normalIn) {
        std::copy(normalIn, normalIn + 3, normal);
        if (s.normalize) Normalize(normal);
    }
    Rgb amb = s.globalAmbient, dif, spe;
    for (int i = 0; i < s.count; ++i) {
        const CameraLight& l = s.lights[size_t(i)];
        float toLight[3];
        const float reach = Reach(l, position, toLight);
        if (reach <= 0) continue;
        amb.r += l.ambient.r * reach, amb.g += l.ambient.g * reach, amb.b += l.ambient.b * reach;
        const float lambert = Dot(normal, toLight);
        if (!normalIn || lambert <= 0) continue;
        const float d = lambert * reach;
        dif.r += l.diffuse.r * d, dif.g += l.diffuse.g * d, dif.b += l.diffuse.b * d;
        if (!s.specular) continue;
        // Half-way between the light and the viewer: at the camera's origin, or far down
        // the camera's -z when the viewer is not local.
        float half[3] = {0, 0, -1};
        if (s.localViewer) {
            half[0] = -position[0], half[1] = -position[1], half[2] = -position[2];
            Normalize(half);
        }
        for (int k = 0; k < 3; ++k) half[k] += toLight[k];
        Normalize(half);
        const float facing = Dot(normal, half);
        if (facing <= 0) continue;
        const float p = std::pow(facing, m.Power) * reach;
        spe.r += l.specular.r * p, spe.g += l.specular.g * p, spe.b += l.specular.b * p;
    }
    LitColors out;
    out.diffuse = ToArgb(emissive.r + ambient.r * amb.r + diffuse.r * dif.r,
                         emissive.g + ambient.g * amb.g + diffuse.g * dif.g,
                         emissive.b + ambient.b * amb.b + diffuse.b * dif.b, diffuse.a);
    if (s.specular) out.specular = ToArgb(specular.r * spe.r, specular.g * spe.g, specular.b * spe.b, 1.0f);
    else out.specular = 0xFF000000u;
    return out;
}

}  // namespace host
