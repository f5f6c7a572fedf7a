#include "engine/softrender/walkers/stretch_walker.h"

namespace orvik::soft {

StretchFn FindStretchLoop(const VariantKey& key) {
    return DispatchTable<StretchWalker, Flavour::Stretch, StretchFn>::Find(key);
}

}  // namespace orvik::soft
