#include "engine/softrender/walkers/run_code_walker.h"

namespace orvik::soft {

RunCodeFn FindRunCodeLoop(const VariantKey& key) {
    VariantKey k = key;
    k.keyed = k.alpha;
    return DispatchTable<RunCodeWalker, Flavour::Stretch, RunCodeFn>::Find(k);
}

}  // namespace orvik::soft
