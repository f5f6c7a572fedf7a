#include "scalar_reference.h"

namespace reference {
namespace {

struct Channels {
    int v[3];  // blue, green, red
};

int Shift(int depth, int k) { return depth == 32 ? 8 * k : (k == 0 ? 0 : k == 1 ? 5 : 11); }
int Bits(int depth, int k) { return depth == 32 ? 8 : (k == 1 ? 6 : 5); }

Channels Split(int depth, uint32_t value) {
    Channels c;
    for (int k = 0; k < 3; ++k) c.v[k] = (value >> Shift(depth, k)) & ((1 << Bits(depth, k)) - 1);
    return c;
}

uint32_t Join(int depth, const Channels& c) {
    uint32_t out = 0;
    for (int k = 0; k < 3; ++k) out |= static_cast<uint32_t>(c.v[k]) << Shift(depth, k);
    return out;
}

int Bright(uint32_t bright, int k) { return (bright >> (8 * k)) & 0xFF; }
int Mul255(int a, int b) { return a * b / 255; }
int Scale255(int p, int e) { return p * e / 255; }  // C++ division truncates toward 0

int64_t FloorDiv(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }
int Mix(int d, int c, int64_t f, int n) {
    const int64_t den = int64_t{1} << (8 * n);
    return static_cast<int>(d + FloorDiv((c - d) * f, den));
}

bool Tinted(const Draw& dr) { return (dr.bright & 0xFFFFFF) != 0xFFFFFF; }

Channels Tint(const Draw& dr, Channels c) {
    if (!Tinted(dr)) return c;
    for (int k = 0; k < 3; ++k) c.v[k] = Mul255(Bright(dr.bright, k), c.v[k]);
    return c;
}

// 32-bit add, channel by channel: blue exact, green and red add their upper seven bits,
// OR their low bits (unless dropped) and the carry from below, and fill on overflow.
uint32_t Add32(uint32_t d, uint32_t s, bool lowBits) {
    Channels dc = Split(32, d), sc = Split(32, s), r;
    const int sum0 = dc.v[0] + sc.v[0];
    r.v[0] = sum0 > 255 ? 255 : sum0;
    int carry = sum0 > 255;
    for (int k = 1; k < 3; ++k) {
        const int h = (dc.v[k] & 0xFE) + (sc.v[k] & 0xFE);
        const int low = (lowBits ? ((dc.v[k] | sc.v[k]) & 1) : 0) | carry;
        r.v[k] = h >= 256 ? 255 : (h | low);
        carry = h >= 256;
    }
    return Join(32, r) | (static_cast<uint32_t>(carry) << 24);
}

uint32_t Add16(uint32_t d, uint32_t s, bool lowBits) {
    Channels dc = Split(16, d), sc = Split(16, s), r;
    const int sumB = dc.v[0] + sc.v[0];
    r.v[0] = sumB > 31 ? 31 : sumB;
    const int hg = (dc.v[1] & 0x3E) + (sc.v[1] & 0x3E);
    const int g0 = (lowBits ? ((dc.v[1] | sc.v[1]) & 1) : 0) | (sumB > 31);
    r.v[1] = hg >= 64 ? (62 | g0) : (hg | g0);
    const int hr = (dc.v[2] & 0x1E) + (sc.v[2] & 0x1E);
    const int r0 = (lowBits ? ((dc.v[2] | sc.v[2]) & 1) : 0) | (hg >= 64);
    r.v[2] = hr >= 32 ? 31 : (hr | r0);
    return Join(16, r);
}

uint32_t Sub32(uint32_t d, uint32_t s) {
    Channels dc = Split(32, d), sc = Split(32, s), r;
    r.v[0] = dc.v[0] >= sc.v[0] ? dc.v[0] - sc.v[0] : 0;
    bool below = dc.v[0] >= sc.v[0];
    for (int k = 1; k < 3; ++k) {
        const bool ok = (dc.v[k] >> 1) >= (sc.v[k] >> 1);
        r.v[k] = ok ? 2 * ((dc.v[k] >> 1) - (sc.v[k] >> 1)) + (below ? 1 : 0) : 0;
        below = ok;
    }
    return Join(32, r);
}

uint32_t Sub16(uint32_t d, uint32_t s) {
    Channels dc = Split(16, d), sc = Split(16, s), r;
    r.v[0] = dc.v[0] >= sc.v[0] ? dc.v[0] - sc.v[0] : 0;
    const bool gOk = (dc.v[1] >> 1) >= (sc.v[1] >> 1);
    r.v[1] = gOk ? 2 * ((dc.v[1] >> 1) - (sc.v[1] >> 1)) : 0;
    const bool rOk = (dc.v[2] >> 1) >= (sc.v[2] >> 1);
    r.v[2] = rOk ? 2 * ((dc.v[2] >> 1) - (sc.v[2] >> 1)) + (gOk ? 1 : 0) : 0;
    return Join(16, r);
}

bool SkipsAlphaZero(const Draw& dr, int mode) {
    if (dr.flavour == kStretch) return true;
    if (mode <= 3) return true;
    return mode == 10 && dr.depth == 16;
}

// Writes colour channels only: a 32-bit destination keeps its fourth byte.
uint32_t WithColour(int depth, uint32_t dst, const Channels& c) {
    return depth == 32 ? (dst & 0xFF000000u) | Join(32, c) : Join(16, c);
}

// Moves d toward target with the pixel's factors (p counted when withParam).
Channels MixAll(const Draw& dr, const Channels& d, const Channels& target, bool useW, int w,
                bool useA, int a, bool withParam) {
    const int n = int(useW) + int(useA) + int(withParam);
    const int64_t f = int64_t{useW ? w : 1} * (useA ? a : 1) * (withParam ? dr.param : 1);
    Channels r;
    for (int k = 0; k < 3; ++k) {
        if (dr.depth == 16 && withParam && n == 1)
            r.v[k] = d.v[k] + Scale255(dr.param, target.v[k] - d.v[k]);
        else
            r.v[k] = Mix(d.v[k], target.v[k], f, n);
    }
    return r;
}

uint32_t AddOrSub(const Draw& dr, uint32_t dst, const Channels& raw, bool useW, int w,
                  bool useA, int a, bool add) {
    const Channels t = Tint(dr, raw);
    Channels s;
    for (int k = 0; k < 3; ++k) {
        if (dr.depth == 32) {
            if (!useW && !useA) s.v[k] = Mul255(dr.param, t.v[k]);
            else if (useW && useA) s.v[k] = static_cast<int>((uint64_t(t.v[k]) * w * a * dr.param) >> 24);
            else s.v[k] = (t.v[k] * (useW ? w : a) * dr.param) >> 16;
        } else {
            int x;
            if (!useW && !useA) x = t.v[k];
            else if (!useW) x = Tinted(dr) ? Mul255(Bright(dr.bright, k), (raw.v[k] * a) >> 8)
                                           : (raw.v[k] * a) >> 8;
            else if (!useA) x = (t.v[k] * w) >> 8;
            else x = (t.v[k] * w * a) >> 16;
            s.v[k] = Mul255(dr.param, x);
        }
    }
    const uint32_t sv = Join(dr.depth, s);
    if (dr.depth == 32) return add ? Add32(dst, sv, true) : Sub32(dst, sv);
    return add ? Add16(dst, sv, true) : Sub16(dst, sv);
}

}  // namespace

uint32_t Pixel(const Draw& dr, uint32_t dst, const uint8_t* src, uint8_t blendByte) {
    int mode = dr.mode;
    const int p = dr.param;
    if (!(mode == 0 || mode == 1 || mode == 2 || mode == 3 || mode == 4 || mode == 10 || mode == 11))
        return dst;
    if ((mode == 1 || mode == 2 || mode == 3) && p == 0) return dst;
    if (mode == 1 && p == 255) mode = 0;

    // Fetch.
    uint32_t raw = 0, colour = 0;
    int a = 0;
    if (dr.palette) {
        raw = src[0];
        colour = dr.depth == 32 ? dr.palette32[raw] : dr.palette16[raw];
    } else if (dr.depth == 32) {
        raw = colour = src[0] | src[1] << 8 | src[2] << 16 | uint32_t(src[3]) << 24;
        a = src[3];
    } else {
        raw = colour = src[0] | src[1] << 8;
        if (dr.alpha) a = src[2];
    }
    if (dr.keyed && !dr.alpha && raw == dr.trans) return dst;

    const bool tinted = Tinted(dr);
    const bool plain = !dr.blendImage && !tinted && !dr.alpha;
    const int w = dr.blendImage ? dr.weights[blendByte] : 0;
    bool useA = dr.alpha;
    if (dr.alpha && dr.keyed) {
        if (a == 255) useA = false;
        else if (a == 0 && SkipsAlphaZero(dr, mode)) return dst;
    } else if (dr.alpha && dr.flavour == kPoint && mode == 0 && !tinted && !dr.blendImage) {
        useA = false;  // the point draw copies an unkeyed alpha source whole
    }
    const bool useW = dr.blendImage;
    const Channels d = Split(dr.depth, dst);
    const Channels c = Split(dr.depth, colour);
    const uint32_t colourMask = dr.depth == 32 ? 0xFFFFFFFFu : 0xFFFFu;

    switch (mode) {
        case 0: {
            if (!useW && !useA)
                return tinted ? WithColour(dr.depth, dst, Tint(dr, c)) : (colour & colourMask);
            return WithColour(dr.depth, dst, MixAll(dr, d, Tint(dr, c), useW, w, useA, a, false));
        }
        case 1: {
            if (dr.flavour == kPoint && plain && p == 128) {
                Channels r;
                for (int k = 0; k < 3; ++k) r.v[k] = d.v[k] / 2 + c.v[k] / 2;
                return Join(dr.depth, r);  // 32-bit: the fourth byte becomes 0
            }
            if (dr.flavour == kPoint && plain && dr.depth == 16) {
                const int k6 = p >> 2;
                Channels r;
                for (int k = 0; k < 3; ++k) r.v[k] = (k6 * c.v[k] + (63 - k6) * d.v[k]) / 63;
                return Join(16, r);
            }
            return WithColour(dr.depth, dst, MixAll(dr, d, Tint(dr, c), useW, w, useA, a, true));
        }
        case 2:
            if (dr.flavour == kPoint && plain && p == 255)
                return dr.depth == 32 ? Add32(dst, colour, false) : Add16(dst, colour, false);
            return AddOrSub(dr, dst, c, useW, w, useA, a, true);
        case 3:
            return AddOrSub(dr, dst, c, useW, w, useA, a, false);
        case 4: {
            const Channels t = Tint(dr, c);
            const int n = int(useW) + int(useA);
            Channels r;
            for (int k = 0; k < 3; ++k) {
                const uint64_t prod = uint64_t(d.v[k]) * t.v[k] * (useW ? w : 1) * (useA ? a : 1);
                r.v[k] = static_cast<int>(prod >> (Bits(dr.depth, k) + 8 * n));
            }
            return WithColour(dr.depth, dst, r);
        }
        case 10: {
            Channels inv;
            for (int k = 0; k < 3; ++k) inv.v[k] = ((1 << Bits(dr.depth, k)) - 1) - c.v[k];
            return WithColour(dr.depth, dst, MixAll(dr, d, Tint(dr, inv), useW, w, useA, a, true));
        }
        default: {  // 11
            const Channels s = Tint(dr, c);
            Channels t;
            for (int k = 0; k < 3; ++k) t.v[k] = (d.v[k] * s.v[k]) >> Bits(dr.depth, k);
            Channels r = MixAll(dr, d, t, useW, w, useA, a, true);
            if (dr.flavour == kTextured && dr.depth == 16 && useA && !tinted && !useW) {
                const int64_t g = (s.v[1] * d.v[1]) >> 1;
                const int64_t num = (int64_t{d.v[1]} << 21) + (g - 32 * d.v[1]) * a * p;
                r.v[1] = static_cast<int>(FloorDiv(num, int64_t{1} << 21));
            }
            return WithColour(dr.depth, dst, r);
        }
    }
}

uint32_t FlatPixel(int depth, int mode, int param, uint32_t bright, uint32_t colour,
                   uint32_t dst) {
    if (depth == 16) colour &= 0xFFFF;
    if ((bright & 0xFFFFFF) != 0xFFFFFF) {
        Channels c = Split(depth, colour);
        for (int k = 0; k < 3; ++k) c.v[k] = (c.v[k] * Bright(bright, k)) >> 8;
        colour = depth == 32 ? (colour & 0xFF000000u) | Join(32, c) : Join(16, c);
    }
    Draw dr;
    dr.flavour = kTextured;
    dr.depth = depth;
    dr.mode = mode;
    dr.param = param;
    const uint8_t bytes[4] = {uint8_t(colour), uint8_t(colour >> 8), uint8_t(colour >> 16),
                              uint8_t(colour >> 24)};
    return Pixel(dr, dst, bytes, 0);
}

}  // namespace reference
