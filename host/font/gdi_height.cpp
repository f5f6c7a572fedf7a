#include "host/font/gdi_height.h"

#include <algorithm>

namespace host {
namespace {

// value x numerator / denominator, rounded half up; denominator > 0, value >= 0.
int32_t Scale(int64_t value, int64_t numerator, int64_t denominator) {
    return int32_t((value * numerator + denominator / 2) / denominator);
}

// The cell of the Windows metrics, falling back to the horizontal header, then the em.
int32_t CellUnits(const DesignMetrics& d, int32_t& ascentUnits) {
    if (d.winAscent + d.winDescent > 0) {
        ascentUnits = d.winAscent;
        return d.winAscent + d.winDescent;
    }
    if (d.hheaAscent + d.hheaDescent > 0) {
        ascentUnits = d.hheaAscent;
        return d.hheaAscent + d.hheaDescent;
    }
    ascentUnits = d.unitsPerEm * 4 / 5;
    return d.unitsPerEm;
}

}  // namespace

bool ScaleToGdiHeight(const DesignMetrics& d, int32_t height, ScaledHeight& out) {
    if (d.unitsPerEm <= 0 || height == 0 || height > kMaxGdiHeight || height < -kMaxGdiHeight || d.winAscent < 0 || d.winDescent < 0 ||
        d.hheaAscent < 0 || d.hheaDescent < 0) {
        return false;
    }
    int32_t ascentUnits = 0;
    int32_t cellUnits = CellUnits(d, ascentUnits);
    FaceMetrics& m = out.metrics;
    if (height > 0) {
        out.pixelsPerEm = std::max(1, Scale(height, d.unitsPerEm, cellUnits));
        m.ascent = Scale(ascentUnits, height, cellUnits);
        m.descent = height - m.ascent;
    } else {
        out.pixelsPerEm = -height;
        m.ascent = Scale(ascentUnits, out.pixelsPerEm, d.unitsPerEm);
        m.descent = Scale(cellUnits - ascentUnits, out.pixelsPerEm, d.unitsPerEm);
    }
    int32_t ppem = out.pixelsPerEm;
    m.internalLeading = std::max(0, m.ascent + m.descent - ppem);
    int32_t hheaCell = d.hheaAscent + d.hheaDescent;
    int32_t gapUnits = std::max(0, d.lineGap - (cellUnits - hheaCell));
    m.externalLeading = Scale(gapUnits, ppem, d.unitsPerEm);
    m.maxCharWidth = Scale(std::max(0, d.maxAdvance), ppem, d.unitsPerEm);
    m.aveCharWidth = d.aveCharWidth > 0 ? Scale(d.aveCharWidth, ppem, d.unitsPerEm)
                                        : (m.maxCharWidth + 1) / 2;
    return true;
}

}  // namespace host
