#include "engine/softrender/pipeline/blend_kernels.h"

namespace orvik::soft {
namespace {

constexpr bool KernelForMode(int32_t mode, Kernel& out) {
#define ORVIK_KERNEL_MODE(name, m) \
    if ((m) >= 0 && mode == (m)) { \
        out = Kernel::name;        \
        return true;               \
    }
    ORVIK_BLEND_KERNELS(ORVIK_KERNEL_MODE)
#undef ORVIK_KERNEL_MODE
    return false;
}

}  // namespace

KernelChoice SelectKernel(int32_t mode, int32_t param, Flavour flavour, bool plain, int depth) {
    KernelChoice c;
    if (!KernelForMode(mode, c.kernel)) return c;
    const bool shortcuts = flavour == Flavour::Point && plain;
    switch (c.kernel) {
        case Kernel::Alpha:
            if (param <= 0) return c;
            if (param >= 255) c.kernel = Kernel::Copy;
            else if (shortcuts && param == 128) c.kernel = Kernel::HalfSum;
            else if (shortcuts && depth == 16) c.kernel = Kernel::Mix6;
            break;
        case Kernel::Add:
            if (param <= 0) return c;
            if (shortcuts && param >= 255) c.kernel = Kernel::AddNoLowBits;
            break;
        case Kernel::Subtract:
            if (param <= 0) return c;
            break;
        default:
            break;
    }
    c.draw = true;
    return c;
}

}  // namespace orvik::soft
