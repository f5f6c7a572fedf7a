// BC6H blocks: half-float colour without alpha, in fourteen modes. Ten modes split the
// block into two subsets of the shared partition shapes, four keep one; most store the
// first endpoint whole and the others as differences from it ("transformed"). The bits of
// each mode's endpoints are scattered through the block, so every mode is described as
// the run of fields it stores, in order. The half floats are then brought to 8 bits.
#include <cstddef>

#include "engine/graphics/dds/bc_block.h"
#include "engine/graphics/dds/bc_partitions.h"
#include "engine/graphics/dds/half_float.h"

namespace orvik {

namespace {

// Endpoint channels: endpoint (0 to 3) x 3 + channel (red, green, blue).
enum Field : uint8_t { R0, G0, B0, R1, G1, B1, R2, G2, B2, R3, G3, B3 };

// A run of bits of one field: `count` bits from bit `low` upwards; a negative count
// stores the bits from `low` downwards (the high bits of the last modes are reversed).
struct Run {
    uint8_t field;
    uint8_t low;
    int8_t count;
};

struct Bc6hMode {
    uint8_t code;          // the mode bits, 2 or 5 of them
    uint8_t codeBits;
    bool twoSubsets;
    bool transformed;
    uint8_t bits[4];       // widths of endpoint 0 and of the red, green, blue of the others
    Run runs[24];          // ends at the first run of count 0
};

constexpr Bc6hMode kModes[14] = {
    {0x00, 2, true, true, {10, 5, 5, 5},
     {{G2, 4, 1}, {B2, 4, 1}, {B3, 4, 1}, {R0, 0, 10}, {G0, 0, 10}, {B0, 0, 10}, {R1, 0, 5}, {G3, 4, 1},
      {G2, 0, 4}, {G1, 0, 5}, {B3, 0, 1}, {G3, 0, 4}, {B1, 0, 5}, {B3, 1, 1}, {B2, 0, 4}, {R2, 0, 5},
      {B3, 2, 1}, {R3, 0, 5}, {B3, 3, 1}}},
    {0x01, 2, true, true, {7, 6, 6, 6},
     {{G2, 5, 1}, {G3, 4, 2}, {R0, 0, 7}, {B3, 0, 2}, {B2, 4, 1}, {G0, 0, 7}, {B2, 5, 1}, {B3, 2, 1},
      {G2, 4, 1}, {B0, 0, 7}, {B3, 3, 1}, {B3, 5, 1}, {B3, 4, 1}, {R1, 0, 6}, {G2, 0, 4}, {G1, 0, 6},
      {G3, 0, 4}, {B1, 0, 6}, {B2, 0, 4}, {R2, 0, 6}, {R3, 0, 6}}},
    {0x02, 5, true, true, {11, 5, 4, 4},
     {{R0, 0, 10}, {G0, 0, 10}, {B0, 0, 10}, {R1, 0, 5}, {R0, 10, 1}, {G2, 0, 4}, {G1, 0, 4}, {G0, 10, 1},
      {B3, 0, 1}, {G3, 0, 4}, {B1, 0, 4}, {B0, 10, 1}, {B3, 1, 1}, {B2, 0, 4}, {R2, 0, 5}, {B3, 2, 1},
      {R3, 0, 5}, {B3, 3, 1}}},
    {0x06, 5, true, true, {11, 4, 5, 4},
     {{R0, 0, 10}, {G0, 0, 10}, {B0, 0, 10}, {R1, 0, 4}, {R0, 10, 1}, {G3, 4, 1}, {G2, 0, 4}, {G1, 0, 5},
      {G0, 10, 1}, {G3, 0, 4}, {B1, 0, 4}, {B0, 10, 1}, {B3, 1, 1}, {B2, 0, 4}, {R2, 0, 4}, {B3, 0, 1},
      {B3, 2, 1}, {R3, 0, 4}, {G2, 4, 1}, {B3, 3, 1}}},
    {0x0A, 5, true, true, {11, 4, 4, 5},
     {{R0, 0, 10}, {G0, 0, 10}, {B0, 0, 10}, {R1, 0, 4}, {R0, 10, 1}, {B2, 4, 1}, {G2, 0, 4}, {G1, 0, 4},
      {G0, 10, 1}, {B3, 0, 1}, {G3, 0, 4}, {B1, 0, 5}, {B0, 10, 1}, {B2, 0, 4}, {R2, 0, 4}, {B3, 1, 2},
      {R3, 0, 4}, {B3, 4, 1}, {B3, 3, 1}}},
    {0x0E, 5, true, true, {9, 5, 5, 5},
     {{R0, 0, 9}, {B2, 4, 1}, {G0, 0, 9}, {G2, 4, 1}, {B0, 0, 9}, {B3, 4, 1}, {R1, 0, 5}, {G3, 4, 1},
      {G2, 0, 4}, {G1, 0, 5}, {B3, 0, 1}, {G3, 0, 4}, {B1, 0, 5}, {B3, 1, 1}, {B2, 0, 4}, {R2, 0, 5},
      {B3, 2, 1}, {R3, 0, 5}, {B3, 3, 1}}},
    {0x12, 5, true, true, {8, 6, 5, 5},
     {{R0, 0, 8}, {G3, 4, 1}, {B2, 4, 1}, {G0, 0, 8}, {B3, 2, 1}, {G2, 4, 1}, {B0, 0, 8}, {B3, 3, 2},
      {R1, 0, 6}, {G2, 0, 4}, {G1, 0, 5}, {B3, 0, 1}, {G3, 0, 4}, {B1, 0, 5}, {B3, 1, 1}, {B2, 0, 4},
      {R2, 0, 6}, {R3, 0, 6}}},
    {0x16, 5, true, true, {8, 5, 6, 5},
     {{R0, 0, 8}, {B3, 0, 1}, {B2, 4, 1}, {G0, 0, 8}, {G2, 5, 1}, {G2, 4, 1}, {B0, 0, 8}, {G3, 5, 1},
      {B3, 4, 1}, {R1, 0, 5}, {G3, 4, 1}, {G2, 0, 4}, {G1, 0, 6}, {G3, 0, 4}, {B1, 0, 5}, {B3, 1, 1},
      {B2, 0, 4}, {R2, 0, 5}, {B3, 2, 1}, {R3, 0, 5}, {B3, 3, 1}}},
    {0x1A, 5, true, true, {8, 5, 5, 6},
     {{R0, 0, 8}, {B3, 1, 1}, {B2, 4, 1}, {G0, 0, 8}, {B2, 5, 1}, {G2, 4, 1}, {B0, 0, 8}, {B3, 5, 1},
      {B3, 4, 1}, {R1, 0, 5}, {G3, 4, 1}, {G2, 0, 4}, {G1, 0, 5}, {B3, 0, 1}, {G3, 0, 4}, {B1, 0, 6},
      {B2, 0, 4}, {R2, 0, 5}, {B3, 2, 1}, {R3, 0, 5}, {B3, 3, 1}}},
    {0x1E, 5, true, false, {6, 6, 6, 6},
     {{R0, 0, 6}, {G3, 4, 1}, {B3, 0, 2}, {B2, 4, 1}, {G0, 0, 6}, {G2, 5, 1}, {B2, 5, 1}, {B3, 2, 1},
      {G2, 4, 1}, {B0, 0, 6}, {G3, 5, 1}, {B3, 3, 1}, {B3, 5, 1}, {B3, 4, 1}, {R1, 0, 6}, {G2, 0, 4},
      {G1, 0, 6}, {G3, 0, 4}, {B1, 0, 6}, {B2, 0, 4}, {R2, 0, 6}, {R3, 0, 6}}},
    {0x03, 5, false, false, {10, 10, 10, 10},
     {{R0, 0, 10}, {G0, 0, 10}, {B0, 0, 10}, {R1, 0, 10}, {G1, 0, 10}, {B1, 0, 10}}},
    {0x07, 5, false, true, {11, 9, 9, 9},
     {{R0, 0, 10}, {G0, 0, 10}, {B0, 0, 10}, {R1, 0, 9}, {R0, 10, 1}, {G1, 0, 9}, {G0, 10, 1}, {B1, 0, 9},
      {B0, 10, 1}}},
    {0x0B, 5, false, true, {12, 8, 8, 8},
     {{R0, 0, 10}, {G0, 0, 10}, {B0, 0, 10}, {R1, 0, 8}, {R0, 11, -2}, {G1, 0, 8}, {G0, 11, -2}, {B1, 0, 8},
      {B0, 11, -2}}},
    {0x0F, 5, false, true, {16, 4, 4, 4},
     {{R0, 0, 10}, {G0, 0, 10}, {B0, 0, 10}, {R1, 0, 4}, {R0, 15, -6}, {G1, 0, 4}, {G0, 15, -6}, {B1, 0, 4},
      {B0, 15, -6}}},
};

const Bc6hMode* FindMode(BcBitReader& bits) {
    const uint32_t low = bits.Take(2);
    if (low < 2) return &kModes[low];
    const uint32_t code = low | bits.Take(3) << 2;
    for (const Bc6hMode& m : kModes)
        if (m.codeBits == 5 && m.code == code) return &m;
    return nullptr;  // the four reserved codes
}

int SignExtend(int v, int bits) { return (v ^ (1 << (bits - 1))) - (1 << (bits - 1)); }

// The stored fields, made whole: differences added to the first endpoint and the sign
// restored where the format or the transform has one.
void ReadEndpoints(const Bc6hMode& m, bool isSigned, BcBitReader& bits, int (&e)[12]) {
    for (int& v : e) v = 0;
    for (const Run& r : m.runs) {
        if (r.count == 0) break;
        const int n = r.count > 0 ? r.count : -r.count;
        for (int i = 0; i < n; ++i) {
            const int bit = r.count > 0 ? r.low + i : r.low - i;
            e[r.field] |= int(bits.Take(1)) << bit;
        }
    }
    const int endpoints = m.twoSubsets ? 4 : 2;
    for (int c = 0; c < 3; ++c) {
        if (isSigned) e[c] = SignExtend(e[c], m.bits[0]);
        for (int p = 1; p < endpoints; ++p) {
            int& v = e[3 * p + c];
            if (!m.transformed) {
                if (isSigned) v = SignExtend(v, m.bits[0]);
                continue;
            }
            v = (e[c] + SignExtend(v, m.bits[1 + c])) & ((1 << m.bits[0]) - 1);
            if (isSigned) v = SignExtend(v, m.bits[0]);
        }
    }
}

// An endpoint of `bits` bits onto the full 16-bit (unsigned) or 15-bit-and-sign range.
int Unquantize(int v, int bits, bool isSigned) {
    if (!isSigned) {
        if (bits >= 15 || v == 0) return v;
        if (v == (1 << bits) - 1) return 0xFFFF;
        return ((v << 16) + 0x8000) >> bits;
    }
    if (bits >= 16) return v;
    const bool negative = v < 0;
    int magnitude = negative ? -v : v, u;
    if (magnitude == 0) u = 0;
    else if (magnitude >= (1 << (bits - 1)) - 1) u = 0x7FFF;
    else u = ((magnitude << 15) + 0x4000) >> (bits - 1);
    return negative ? -u : u;
}

// An interpolated value to the bits of a half float, then to 8 bits.
uint8_t Finish(int v, bool isSigned) {
    uint16_t half;
    if (!isSigned) half = uint16_t((v * 31) >> 6);
    else half = v < 0 ? uint16_t(0x8000 | ((-v * 31) >> 5)) : uint16_t((v * 31) >> 5);
    return HalfToByte(half);
}

void DecodeBlock(const uint8_t* block, BcTexels out, bool isSigned) {
    BcBitReader bits(block);
    const Bc6hMode* m = FindMode(bits);
    if (!m) {  // reserved mode: black
        for (int t = 0; t < 16; ++t) out[t] = BcArgb(0, 0, 0, 255);
        return;
    }
    int e[12];
    ReadEndpoints(*m, isSigned, bits, e);
    for (int& v : e) v = Unquantize(v, m->bits[0], isSigned);
    const int subsets = m->twoSubsets ? 2 : 1;
    const int partition = m->twoSubsets ? int(bits.Take(5)) : 0;
    const int indexBits = m->twoSubsets ? 3 : 4;
    for (int t = 0; t < 16; ++t) {
        const int s = BcSubsetOf(subsets, partition, t);
        bool anchor = false;
        for (int k = 0; k < subsets; ++k) anchor |= BcAnchorOf(subsets, partition, k) == t;
        const int weight = BcWeight(indexBits, int(bits.Take(anchor ? indexBits - 1 : indexBits)));
        uint8_t c[3];
        for (int k = 0; k < 3; ++k) c[k] = Finish(BcInterpolate(e[6 * s + k], e[6 * s + 3 + k], weight), isSigned);
        out[t] = BcArgb(c[0], c[1], c[2], 255);
    }
}

}  // namespace

void DecodeBc6hUnsignedBlock(const uint8_t* block, BcTexels out) { DecodeBlock(block, out, false); }
void DecodeBc6hSignedBlock(const uint8_t* block, BcTexels out) { DecodeBlock(block, out, true); }

}  // namespace orvik
