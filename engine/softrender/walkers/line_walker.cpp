#include "engine/softrender/walkers/line_walker.h"

namespace orvik::soft {

LineFn FindLineLoop(int depth, Kernel kernel) {
    VariantKey key;
    key.depth = depth;
    key.kernel = kernel;
    return DispatchTable<LineWalker, Flavour::Textured, LineFn>::Find(key);
}

}  // namespace orvik::soft
