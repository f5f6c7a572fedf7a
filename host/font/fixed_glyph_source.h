// A glyph source of fixed bitmaps for tests: the engine's font arithmetic runs on known
// shapes and metrics without any installed font. Metrics follow a rule of the requested
// height; characters without a glyph of their own render as a solid box as wide as the
// average character and as tall as the ascent, and the two spaces (U+0020 and U+3000)
// have no ink.
#pragma once
#include <functional>
#include <map>
#include <memory>

#include "host/font/glyph_source.h"

namespace host {

class FixedGlyphSource final : public GlyphSource {
public:
    using MetricsRule = std::function<FaceMetrics(const FontRequest&)>;

    FixedGlyphSource();

    // The default rule: cell height |height|, a quarter of it (rounded down) below the
    // baseline, no leading, the maximum width the cell height and the average half of it.
    static FaceMetrics DefaultMetrics(const FontRequest& request);
    void SetMetricsRule(MetricsRule rule);

    // False (and nothing stored) when the image's sizes and coverage disagree.
    bool AddGlyph(char32_t character, GlyphImage image);

    std::unique_ptr<GlyphFace> Open(const FontRequest& request) override;

    using GlyphTable = std::map<char32_t, GlyphImage>;

private:
    MetricsRule rule_;
    std::shared_ptr<GlyphTable> glyphs_;
};

}  // namespace host
