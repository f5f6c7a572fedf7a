#include "engine/softrender/pipeline/soft_state.h"

#include <cstring>

#include "engine/softrender/simd/simd_rows.h"
#include "host/env_switch.h"

namespace orvik {
namespace {

bool GenericPathRequested() { return host::EnvSwitchOn("ORVIK_SOFT_GENERIC"); }

// ORVIK_SOFT_NO_AVX2 keeps the block loops on SSE2, to compare the two.
bool Avx2RowsWanted() { return soft::Avx2RowsAvailable() && !host::EnvSwitchOn("ORVIK_SOFT_NO_AVX2"); }

SoftRenderState& Storage() {
    // Over a megabyte of tables: static storage, never a temporary on the stack.
    static SoftRenderState state;
    static const bool switchRead = (state.forceGeneric = GenericPathRequested(),
                                    state.forceWide = host::EnvSwitchOn("ORVIK_SOFT_WIDE"),
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
    s.forceWide = host::EnvSwitchOn("ORVIK_SOFT_WIDE");
    s.avx2Rows = Avx2RowsWanted();
}

}  // namespace orvik
