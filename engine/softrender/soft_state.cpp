#include "engine/softrender/soft_state.h"

#include <cstdlib>
#include <cstring>

#include "engine/softrender/simd_rows.h"

namespace orvik {
namespace {

bool SwitchOn(const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr && *v != '\0' && std::strcmp(v, "0") != 0;
}

bool GenericPathRequested() { return SwitchOn("ORVIK_SOFT_GENERIC"); }

// ORVIK_SOFT_NO_AVX2 keeps the block loops on SSE2, to compare the two.
bool Avx2RowsWanted() { return soft::Avx2RowsAvailable() && !SwitchOn("ORVIK_SOFT_NO_AVX2"); }

SoftRenderState& Storage() {
    // Over a megabyte of tables: static storage, never a temporary on the stack.
    static SoftRenderState state;
    static const bool switchRead = (state.forceGeneric = GenericPathRequested(),
                                    state.forceWide = SwitchOn("ORVIK_SOFT_WIDE"),
                                    state.avx2Rows = Avx2RowsWanted(), true);
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
    s.forceWide = SwitchOn("ORVIK_SOFT_WIDE");
    s.avx2Rows = Avx2RowsWanted();
}

}  // namespace orvik
