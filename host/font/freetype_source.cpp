#include "host/font/freetype_source.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_SIZES_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>

#include "host/font/gdi_font_types.h"
#include "host/font/gdi_height.h"

namespace host {

struct FreeTypeGlyphSource::Library {
    FT_Library handle = nullptr;
    Library() {
        if (FT_Init_FreeType(&handle) != 0) handle = nullptr;
    }
    ~Library() {
        if (handle) FT_Done_FreeType(handle);
    }
};

// One open font file, shared by every font made from it; each font has its own size.
struct FreeTypeGlyphSource::SharedFace {
    std::shared_ptr<Library> library;
    FT_Face face = nullptr;
    ~SharedFace() {
        if (face) FT_Done_Face(face);
    }
};

namespace {

// The slant GDI gives a face without an italic: about 12 degrees.
constexpr FT_Matrix kObliqueShear{0x10000, 0x0366A, 0, 0x10000};

DesignMetrics DesignMetricsOf(FT_Face face) {
    DesignMetrics d;
    d.unitsPerEm = face->units_per_EM;
    if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        os2 && os2->version != 0xFFFF) {
        d.winAscent = os2->usWinAscent;
        d.winDescent = os2->usWinDescent;
        d.aveCharWidth = std::max<int32_t>(0, os2->xAvgCharWidth);
    }
    if (auto* hhea = static_cast<TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA))) {
        d.hheaAscent = std::max<int32_t>(0, hhea->Ascender);
        d.hheaDescent = std::max<int32_t>(0, -hhea->Descender);
        d.lineGap = std::max<int32_t>(0, hhea->Line_Gap);
        d.maxAdvance = hhea->advance_Width_Max;
    } else {
        d.hheaAscent = std::max<int32_t>(0, face->ascender);
        d.hheaDescent = std::max<int32_t>(0, -face->descender);
        d.maxAdvance = face->max_advance_width;
    }
    return d;
}

bool CopyBitmap(const FT_Bitmap& bitmap, GlyphImage& out) {
    out.width = int32_t(bitmap.width);
    out.rows = int32_t(bitmap.rows);
    out.coverage.assign(size_t(out.width) * size_t(out.rows), 0);
    if (out.width == 0 || out.rows == 0) return true;
    bool mono = bitmap.pixel_mode == FT_PIXEL_MODE_MONO;
    if (!mono && bitmap.pixel_mode != FT_PIXEL_MODE_GRAY) return false;
    int maxGrey = std::max(1, int(bitmap.num_grays) - 1);
    for (int32_t y = 0; y < out.rows; ++y) {
        const unsigned char* row = bitmap.buffer + ptrdiff_t(y) * bitmap.pitch;
        if (bitmap.pitch < 0) row = bitmap.buffer + ptrdiff_t(out.rows - 1 - y) * -bitmap.pitch;
        uint8_t* dst = out.coverage.data() + size_t(y) * out.width;
        for (int32_t x = 0; x < out.width; ++x) {
            dst[x] = mono ? ((row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0)
                          : uint8_t(std::min(255, row[x] * 255 / maxGrey));
        }
    }
    return true;
}

class FreeTypeFace final : public GlyphFace {
public:
    FreeTypeFace(std::shared_ptr<FreeTypeGlyphSource::SharedFace> shared, FT_Size size,
                 FaceMetrics metrics, bool embolden, bool oblique)
        : shared_(std::move(shared)), size_(size), metrics_(std::move(metrics)),
          embolden_(embolden), oblique_(oblique) {}
    ~FreeTypeFace() override { FT_Done_Size(size_); }

    const FaceMetrics& Metrics() const override { return metrics_; }

    bool Render(char32_t character, GlyphRaster raster, GlyphImage& out) override {
        FT_Face face = shared_->face;
        if (FT_Activate_Size(size_) != 0) return false;
        // A character the face lacks renders as its missing-glyph shape, as GDI's does.
        FT_UInt index = FT_Get_Char_Index(face, FT_ULong(character));
        bool mono = raster == GlyphRaster::Mono;
        FT_Int32 flags = mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL;
        if (embolden_ || oblique_) flags |= FT_LOAD_NO_BITMAP;
        if (FT_Load_Glyph(face, index, flags) != 0) return false;
        FT_GlyphSlot slot = face->glyph;
        out = GlyphImage{};
        out.advance = int32_t((slot->advance.x + 32) >> 6);
        if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
            // No outline, no ink (the mono rasteriser would make a blank pixel of it).
            if (slot->outline.n_points == 0) return true;
            if (oblique_) FT_Outline_Transform(&slot->outline, &kObliqueShear);
            if (embolden_) {
                // Emboldening widens both sides by half a pixel; moving the outline right
                // by that much makes it grow to the right only, as GDI's made-up bold does,
                // so the left edge stays where the regular glyph has it.
                FT_Outline_EmboldenXY(&slot->outline, 64, 0);
                FT_Outline_Translate(&slot->outline, 32, 0);
                out.advance += 1;
            }
        }
        if (slot->format != FT_GLYPH_FORMAT_BITMAP &&
            FT_Render_Glyph(slot, mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0) {
            return false;
        }
        if (!CopyBitmap(slot->bitmap, out)) return false;
        if (out.width > 0 && out.rows > 0) {
            out.left = slot->bitmap_left;
            out.top = slot->bitmap_top;
        }
        return true;
    }

private:
    std::shared_ptr<FreeTypeGlyphSource::SharedFace> shared_;
    FT_Size size_;
    FaceMetrics metrics_;
    bool embolden_;
    bool oblique_;
};

}  // namespace

FreeTypeGlyphSource::FreeTypeGlyphSource() : library_(std::make_shared<Library>()) {}

FreeTypeGlyphSource::~FreeTypeGlyphSource() = default;

void FreeTypeGlyphSource::HideFamily(std::string family) { matcher_.HideFamily(std::move(family)); }

std::shared_ptr<FreeTypeGlyphSource::SharedFace> FreeTypeGlyphSource::FaceAt(
    const FaceLocation& where) {
    auto key = std::make_pair(where.file, where.index);
    if (auto it = faces_.find(key); it != faces_.end()) return it->second;
    auto shared = std::make_shared<SharedFace>();
    shared->library = library_;
    if (FT_New_Face(library_->handle, where.file.c_str(), where.index, &shared->face) != 0) {
        shared->face = nullptr;
        return nullptr;
    }
    if (!FT_IS_SCALABLE(shared->face)) return nullptr;
    faces_.emplace(key, shared);
    return shared;
}

std::unique_ptr<GlyphFace> FreeTypeGlyphSource::Open(const FontRequest& request) {
    if (!library_->handle) return nullptr;
    std::optional<FaceLocation> where = matcher_.Find(request);
    if (!where) return nullptr;
    std::shared_ptr<SharedFace> shared = FaceAt(*where);
    if (!shared) return nullptr;
    ScaledHeight scaled;
    if (!ScaleToGdiHeight(DesignMetricsOf(shared->face), request.height, scaled)) return nullptr;
    FT_Size size = nullptr;
    if (FT_New_Size(shared->face, &size) != 0) return nullptr;
    if (FT_Activate_Size(size) != 0 ||
        FT_Set_Pixel_Sizes(shared->face, 0, FT_UInt(scaled.pixelsPerEm)) != 0) {
        FT_Done_Size(size);
        return nullptr;
    }
    int32_t weight = request.weight <= 0 ? FW_NORMAL : request.weight;
    bool embolden = weight >= FW_SEMIBOLD && where->weight < FW_SEMIBOLD;
    bool oblique = request.italic && !where->italic;
    FaceMetrics metrics = scaled.metrics;
    metrics.family = where->family;
    metrics.weight = weight;
    metrics.italic = request.italic;
    metrics.fixedPitch = FT_IS_FIXED_WIDTH(shared->face) != 0;
    if (embolden) {
        metrics.maxCharWidth += 1;
        metrics.aveCharWidth += 1;
    }
    return std::make_unique<FreeTypeFace>(std::move(shared), size, std::move(metrics), embolden,
                                          oblique);
}

}  // namespace host
