// The packed saturating add and subtract of the blend kernels on whole registers of
// pixels, with the pixel loop's masks and the same bytes: 32-bit pixels in 32-bit lanes,
// as the pixel loop works; 16-bit pixels in 16-bit lanes, where red's carry (or borrow)
// out of bit 15 leaves the lane and is found apart.
#pragma once
#include <cstdint>

namespace orvik::soft {

template <class I, int Depth>
class PackedBlocks {
    using X = typename I::V;
    static constexpr bool k32 = Depth == 32;

    // The masks of the packed add and subtract: the low bit of each upper channel is
    // cleared so it catches the carry or borrow of the channel below.
    static constexpr uint32_t kAddMask = k32 ? 0x00FEFEFFu : 0xF7DFu;
    static constexpr uint32_t kSubMask = k32 ? 0xFEFEFEFFu : 0xF7DFu;
    static constexpr uint32_t kCarries = k32 ? 0x01010100u : 0x0820u;
    static constexpr uint32_t kLowBits = k32 ? 0x00010100u : 0x0820u;

    static X PerPixel(uint32_t v) { return k32 ? I::Set32(v) : I::Set16(v); }
    static X AddW(X a, X b) { return k32 ? I::Add32(a, b) : I::Add16(a, b); }
    static X SubW(X a, X b) { return k32 ? I::Sub32(a, b) : I::Sub16(a, b); }
    static X Fill(X v) {
        if constexpr (k32) return I::Sub32(v, I::template Srl32<8>(v));
        else return I::Sub16(v, I::template Srl16<5>(v));
    }

public:
    template <bool KeepLowBits>
    static X Add(X d, X s) {
        const X dm = I::And(d, PerPixel(kAddMask)), sm = I::And(s, PerPixel(kAddMask));
        const X u = AddW(dm, sm);
        X r = I::Or(Fill(I::And(u, PerPixel(kCarries))), u);
        // The halving average's bit 15 is red's carry: the sum is never 0xFFFF (green's
        // low bit would need blue's fields to sum to 63), so its rounding adds no carry.
        if constexpr (!k32)
            r = I::Or(r, I::And(I::template Sra16<15>(I::Avg16(dm, sm)), I::Set16(0xF800)));
        if constexpr (KeepLowBits) r = I::Or(r, I::And(I::Or(d, s), PerPixel(kLowBits)));
        return r;
    }
    static X Sub(X d, X s) {
        const X dc = I::Or(d, PerPixel(kCarries)), sm = I::And(s, PerPixel(kSubMask));
        const X t = SubW(dc, sm);
        X f = Fill(I::And(t, PerPixel(kCarries)));
        // Red's borrow bit sits above the lane: it is set unless red borrowed, and then
        // its fill is 0xF800.
        if constexpr (!k32)
            f = I::Add16(f, I::And(I::Eq16(I::SubSatU16(sm, dc), I::Zero()), I::Set16(0xF800)));
        return I::And(f, t);
    }
};

}  // namespace orvik::soft
