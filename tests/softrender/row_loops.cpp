#include "row_loops.h"

namespace row_loops {

using namespace orvik::soft;

RowFn Find(Flavour flavour, const VariantKey& key) {
    switch (flavour) {
        case Flavour::Point: return FindPointRowLoop(key);
        case Flavour::Stretch: return RowTable<Flavour::Stretch>::Find(key);
        default: return RowTable<Flavour::Textured>::Find(key);
    }
}

}  // namespace row_loops
