// A slow per-pixel model of the software blend rules, written channel by channel from
// the rules' own descriptions (the packed add and subtract as their per-channel effects,
// the table lookups as the formulas they hold). Every choice is a runtime flag, so it
// shares no code path with the templated pipeline it checks.
#pragma once
#include <cstdint>

namespace reference {

enum Flavour { kPoint, kStretch, kTextured };

struct Draw {
    Flavour flavour = kPoint;
    int depth = 32;  // 16 or 32
    bool palette = false;
    bool alpha = false;  // source carries alpha
    bool keyed = false;
    bool blendImage = false;
    int mode = 0;
    int param = 255;
    uint32_t bright = 0xFFFFFF;  // 0x00RRGGBB
    uint32_t trans = 0;
    const uint32_t* palette32 = nullptr;
    const uint16_t* palette16 = nullptr;
    const uint8_t* weights = nullptr;  // blend byte -> weight
};

// The destination pixel after drawing one source pixel (bytes as stored in the source
// image) with the given blend-image byte.
uint32_t Pixel(const Draw& draw, uint32_t dst, const uint8_t* src, uint8_t blendByte);

// The destination pixel after a filled rectangle's colour is drawn on it.
uint32_t FlatPixel(int depth, int mode, int param, uint32_t bright, uint32_t colour,
                   uint32_t dst);

}  // namespace reference
