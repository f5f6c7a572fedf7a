#include "engine/softrender/soft_state.h"

#include <cstdlib>
#include <cstring>

namespace orvik {
namespace {

bool GenericPathRequested() {
    const char* v = std::getenv("ORVIK_SOFT_GENERIC");
    return v != nullptr && *v != '\0' && std::strcmp(v, "0") != 0;
}

SoftRenderState& Storage() {
    // Over a megabyte of tables: static storage, never a temporary on the stack.
    static SoftRenderState state;
    static const bool switchRead = (state.forceGeneric = GenericPathRequested(), true);
    (void)switchRead;
    return state;
}

}  // namespace

SoftRenderState& SoftRender() { return Storage(); }

void ResetSoftRender() {
    SoftRenderState& s = Storage();
    std::memset(&s.tables, 0, sizeof s.tables);
    s.workPalette = {};
    s.stretchWorkPalette = {};
    s.forceGeneric = GenericPathRequested();
}

}  // namespace orvik
