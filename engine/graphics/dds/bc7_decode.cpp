// BC7 blocks: eight modes told apart by the position of the first set bit, with one to
// three subsets of endpoint pairs, optional p-bits widening the endpoints by one bit, and
// for the modes with separate alpha a rotation and a choice of which index set drives
// colour.
#include "engine/graphics/dds/bc_block.h"
#include "engine/graphics/dds/bc_partitions.h"

namespace orvik {

namespace {

struct Bc7Mode {
    uint8_t subsets;
    uint8_t partitionBits;
    uint8_t rotationBits;
    uint8_t selectorBits;
    uint8_t colourBits;
    uint8_t alphaBits;      // 0: the mode has no alpha, which is then 255
    uint8_t endpointPBits;  // 1: one p-bit per endpoint
    uint8_t sharedPBits;    // 1: one p-bit per subset, shared by its two endpoints
    uint8_t indexBits;
    uint8_t secondIndexBits;  // 0: one index set for colour and alpha
};

constexpr Bc7Mode kModes[8] = {
    {3, 4, 0, 0, 4, 0, 1, 0, 3, 0}, {2, 6, 0, 0, 6, 0, 0, 1, 3, 0}, {3, 6, 0, 0, 5, 0, 0, 0, 2, 0},
    {2, 6, 0, 0, 7, 0, 1, 0, 2, 0}, {1, 0, 2, 1, 5, 6, 0, 0, 2, 3}, {1, 0, 2, 0, 7, 8, 0, 0, 2, 2},
    {1, 0, 0, 0, 7, 7, 1, 0, 4, 0}, {2, 6, 0, 0, 5, 5, 1, 0, 2, 0},
};

constexpr int kMaxEndpoints = 6;

// Endpoint channels, red green blue alpha, widened to 8 bits.
struct Endpoints {
    int value[kMaxEndpoints][4];
};

// A field of `bits` bits, with its p-bit below it when there is one, to 8 bits by
// repeating its top bits below.
int Widen(int field, int bits) {
    field <<= 8 - bits;
    return field | field >> bits;
}

Endpoints ReadEndpoints(const Bc7Mode& m, BcBitReader& bits) {
    Endpoints e{};
    const int count = m.subsets * 2;
    for (int c = 0; c < 4; ++c) {
        const int width = c < 3 ? m.colourBits : m.alphaBits;
        for (int i = 0; i < count; ++i) e.value[i][c] = width ? int(bits.Take(width)) : 255;
    }
    int pBits[kMaxEndpoints] = {};
    if (m.endpointPBits)
        for (int i = 0; i < count; ++i) pBits[i] = int(bits.Take(1));
    if (m.sharedPBits)
        for (int s = 0; s < m.subsets; ++s) pBits[2 * s] = pBits[2 * s + 1] = int(bits.Take(1));
    const int extra = m.endpointPBits | m.sharedPBits;
    for (int i = 0; i < count; ++i)
        for (int c = 0; c < 4; ++c) {
            const int width = c < 3 ? m.colourBits : m.alphaBits;
            if (width) e.value[i][c] = Widen(e.value[i][c] << extra | pBits[i], width + extra);
        }
    return e;
}

// One index per texel; each subset's anchor texel has one bit fewer.
void ReadIndices(BcBitReader& bits, int width, int subsets, int partition, int (&index)[16]) {
    for (int t = 0; t < 16; ++t) {
        bool anchor = false;
        for (int s = 0; s < subsets; ++s) anchor |= BcAnchorOf(subsets, partition, s) == t;
        index[t] = int(bits.Take(anchor ? width - 1 : width));
    }
}

}  // namespace

void DecodeBc7Block(const uint8_t* block, BcTexels out) {
    BcBitReader bits(block);
    int mode = 0;
    while (mode < 8 && bits.Take(1) == 0) ++mode;
    if (mode == 8) {  // no mode bit in the first byte: reserved, transparent black
        for (int t = 0; t < 16; ++t) out[t] = 0;
        return;
    }
    const Bc7Mode& m = kModes[mode];
    const int partition = int(bits.Take(m.partitionBits));
    const int rotation = int(bits.Take(m.rotationBits));
    const int selector = int(bits.Take(m.selectorBits));
    const Endpoints e = ReadEndpoints(m, bits);
    int first[16], second[16];
    ReadIndices(bits, m.indexBits, m.subsets, partition, first);
    if (m.secondIndexBits) ReadIndices(bits, m.secondIndexBits, 1, 0, second);
    // The selector swaps which index set drives colour and which alpha.
    const bool swap = selector != 0;
    const int colourBits = swap ? m.secondIndexBits : m.indexBits;
    const int alphaBits = m.secondIndexBits ? (swap ? m.indexBits : m.secondIndexBits) : m.indexBits;
    for (int t = 0; t < 16; ++t) {
        const int s = BcSubsetOf(m.subsets, partition, t);
        const int colourIndex = swap ? second[t] : first[t];
        const int alphaIndex = m.secondIndexBits ? (swap ? first[t] : second[t]) : first[t];
        int c[4];
        for (int k = 0; k < 4; ++k) {
            const int weight = k < 3 ? BcWeight(colourBits, colourIndex) : BcWeight(alphaBits, alphaIndex);
            c[k] = BcInterpolate(e.value[2 * s][k], e.value[2 * s + 1][k], weight);
        }
        // Rotation 1 to 3 exchanges alpha with red, green or blue.
        if (rotation) {
            const int tmp = c[3];
            c[3] = c[rotation - 1];
            c[rotation - 1] = tmp;
        }
        out[t] = BcArgb(c[0], c[1], c[2], c[3]);
    }
}

}  // namespace orvik
