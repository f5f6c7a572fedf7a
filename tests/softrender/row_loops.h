// The row walker's loop for a variant of any draw flavour. The engine keeps the point
// draw's table only; the tests also run the walker over the stretched and textured
// variants, and instantiating those tables is slow to compile, so it is done once, here.
#pragma once
#include "engine/softrender/walkers/row_walker.h"

namespace row_loops {

orvik::soft::RowFn Find(orvik::soft::Flavour flavour, const orvik::soft::VariantKey& key);

}  // namespace row_loops
