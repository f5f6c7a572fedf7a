#include "engine/softrender/walkers/flat_walker.h"

namespace orvik::soft {

FlatFn FindFlatLoop(int depth, Kernel kernel) {
    VariantKey key;
    key.depth = depth;
    key.kernel = kernel;
    return DispatchTable<FlatWalker, Flavour::Textured, FlatFn>::Find(key);
}

}  // namespace orvik::soft
