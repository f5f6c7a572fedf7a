#include "engine/softrender/walkers/row_walker.h"

namespace orvik::soft {

RowFn FindPointRowLoop(const VariantKey& key) { return RowTable<Flavour::Point>::Find(key); }

}  // namespace orvik::soft
