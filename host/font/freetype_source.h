// The real glyph source: faces found with fontconfig, opened and rendered with FreeType,
// sized by GDI's height rules. Bold and italic that the face lacks are made up, as GDI
// does: the outline is widened by a pixel (and so is the advance) or slanted.
#pragma once
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "host/font/face_match.h"
#include "host/font/glyph_source.h"

namespace host {

class FreeTypeGlyphSource final : public GlyphSource {
public:
    FreeTypeGlyphSource();
    ~FreeTypeGlyphSource() override;

    // Tests: behave as if no font of this family were installed.
    void HideFamily(std::string family);

    std::unique_ptr<GlyphFace> Open(const FontRequest& request) override;

    struct Library;
    struct SharedFace;

private:
    std::shared_ptr<SharedFace> FaceAt(const FaceLocation& where);

    std::shared_ptr<Library> library_;
    FaceMatcher matcher_;
    std::map<std::pair<std::string, int>, std::shared_ptr<SharedFace>> faces_;
};

}  // namespace host
