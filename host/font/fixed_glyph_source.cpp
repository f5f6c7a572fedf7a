#include "host/font/fixed_glyph_source.h"

#include <cstdlib>

#include "host/font/gdi_font_types.h"
#include "host/font/glyph_bitmap.h"

namespace host {
namespace {

class FixedFace final : public GlyphFace {
public:
    FixedFace(FaceMetrics metrics, std::shared_ptr<const FixedGlyphSource::GlyphTable> glyphs)
        : metrics_(std::move(metrics)), glyphs_(std::move(glyphs)) {}

    const FaceMetrics& Metrics() const override { return metrics_; }

    bool Render(char32_t character, GlyphRaster, GlyphImage& out) override {
        if (auto it = glyphs_->find(character); it != glyphs_->end()) {
            out = it->second;
        } else if (character == U' ' || character == U'\u3000') {
            out = GlyphImage{};
            out.advance = character == U' ' ? metrics_.aveCharWidth : metrics_.maxCharWidth;
        } else {
            out = SolidBox();
        }
        return true;
    }

private:
    GlyphImage SolidBox() const {
        GlyphImage box;
        box.width = metrics_.aveCharWidth;
        box.rows = metrics_.ascent;
        box.top = metrics_.ascent;
        box.advance = metrics_.aveCharWidth;
        if (box.width <= 0 || box.rows <= 0) box.width = box.rows = 0;
        box.coverage.assign(size_t(box.width) * size_t(box.rows), 255);
        return box;
    }

    FaceMetrics metrics_;
    std::shared_ptr<const FixedGlyphSource::GlyphTable> glyphs_;
};

}  // namespace

FixedGlyphSource::FixedGlyphSource()
    : rule_(DefaultMetrics), glyphs_(std::make_shared<GlyphTable>()) {}

FaceMetrics FixedGlyphSource::DefaultMetrics(const FontRequest& request) {
    FaceMetrics m;
    int32_t cell = std::abs(request.height);
    m.family = "Fixed";
    m.descent = cell / 4;
    m.ascent = cell - m.descent;
    m.maxCharWidth = cell;
    m.aveCharWidth = cell / 2;
    m.weight = request.weight <= 0 ? FW_NORMAL : request.weight;
    m.italic = request.italic;
    m.fixedPitch = true;
    return m;
}

void FixedGlyphSource::SetMetricsRule(MetricsRule rule) { rule_ = rule ? std::move(rule) : DefaultMetrics; }

bool FixedGlyphSource::AddGlyph(char32_t character, GlyphImage image) {
    if (!IsWellFormedGlyph(image)) return false;
    (*glyphs_)[character] = std::move(image);
    return true;
}

std::unique_ptr<GlyphFace> FixedGlyphSource::Open(const FontRequest& request) {
    return std::make_unique<FixedFace>(rule_(request), glyphs_);
}

}  // namespace host
