// The one list of blend kernels. It drives the kernel enumeration, the template
// instantiations of every walker's dispatch table and the mode lookup, so a kernel is
// named in exactly one place.
#pragma once
#include <cstdint>

namespace orvik::soft {

// X(name, blend mode it serves, or -1 for a shortcut the mode gate picks)
#define ORVIK_BLEND_KERNELS(X)                                                            \
    X(Copy, 0)                                                                            \
    X(Alpha, 1)                                                                           \
    X(Add, 2)                                                                             \
    X(Subtract, 3)                                                                        \
    X(Multiply, 4)                                                                        \
    X(InvertAlpha, 10)                                                                    \
    X(MultiplyAlpha, 11)                                                                  \
    /* the point draw's plain-variant shortcuts */                                        \
    X(HalfSum, -1)       /* mode 1 at p = 128 */                                          \
    X(Mix6, -1)          /* 16-bit mode 1 at other p */                                   \
    X(AddNoLowBits, -1)  /* mode 2 at p = 255 */

enum class Kernel : uint8_t {
#define ORVIK_KERNEL_ENUM(name, mode) name,
    ORVIK_BLEND_KERNELS(ORVIK_KERNEL_ENUM)
#undef ORVIK_KERNEL_ENUM
        Count
};
inline constexpr int kKernelCount = static_cast<int>(Kernel::Count);

// Which rule set a walker follows. The point draw has shortcut loops for its plain
// variant and copies an unkeyed alpha source whole; the stretched draw skips alpha-0
// pixels in every keyed mode; the textured draws (triangle, rotated, and the flat-colour
// draws) keep the five-bit-finer green of 16-bit mode 11 with source alpha.
enum class Flavour : uint8_t { Point, Stretch, Textured };

struct KernelChoice {
    bool draw = false;  // false: the mode and parameter draw nothing
    Kernel kernel = Kernel::Copy;
};

// The mode gate, made once per draw. plain: no blend image, no tint, no source alpha.
KernelChoice SelectKernel(int32_t mode, int32_t param, Flavour flavour, bool plain, int depth);

}  // namespace orvik::soft
