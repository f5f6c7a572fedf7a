#include "host/font/face_match.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cctype>
#include <memory>

#include "host/font/gdi_font_types.h"

namespace host {
namespace {

// The Japanese monospace faces in order of preference, ending with the system's own.
const char* const kJapaneseMonospace[] = {"IPAGothic", "DejaVu Sans Mono", "monospace"};

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}

int32_t NormalWeight(int32_t weight) { return weight <= 0 ? FW_NORMAL : std::min(weight, 1000); }

bool WantsJapanese(const FontRequest& r) { return r.charset == SHIFTJIS_CHARSET; }

struct PatternDeleter {
    void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
struct FontSetDeleter {
    void operator()(FcFontSet* s) const { FcFontSetDestroy(s); }
};
using Pattern = std::unique_ptr<FcPattern, PatternDeleter>;
using FontSet = std::unique_ptr<FcFontSet, FontSetDeleter>;

Pattern MakePattern(const FontRequest& r) {
    Pattern p(FcPatternCreate());
    if (!p) return p;
    auto addFamily = [&](const char* f) {
        FcPatternAddString(p.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(f));
    };
    if (r.face.empty() || IsDefaultJapaneseGothic(r.face)) {
        for (const char* f : kJapaneseMonospace) addFamily(f);
    } else {
        addFamily(r.face.c_str());
    }
    if (WantsJapanese(r)) {
        FcPatternAddString(p.get(), FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
    }
    if ((r.pitchAndFamily & 3) == FIXED_PITCH) FcPatternAddInteger(p.get(), FC_SPACING, FC_MONO);
    FcPatternAddInteger(p.get(), FC_WEIGHT, FcWeightFromOpenType(NormalWeight(r.weight)));
    FcPatternAddInteger(p.get(), FC_SLANT, r.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(p.get(), FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, p.get(), FcMatchPattern);
    FcDefaultSubstitute(p.get());
    return p;
}

std::vector<std::string> FamiliesOf(FcPattern* font) {
    std::vector<std::string> names;
    FcChar8* name = nullptr;
    for (int i = 0; FcPatternGetString(font, FC_FAMILY, i, &name) == FcResultMatch; ++i) {
        names.emplace_back(reinterpret_cast<const char*>(name));
    }
    return names;
}

std::optional<FaceLocation> LocationOf(FcPattern* font, std::vector<std::string> families) {
    FcChar8* file = nullptr;
    FcBool scalable = FcFalse;
    if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch ||
        FcPatternGetBool(font, FC_SCALABLE, 0, &scalable) != FcResultMatch || !scalable ||
        families.empty()) {
        return std::nullopt;
    }
    FaceLocation where;
    where.file = reinterpret_cast<const char*>(file);
    where.family = families.front();
    FcPatternGetInteger(font, FC_INDEX, 0, &where.index);
    int weight = FC_WEIGHT_REGULAR;
    if (FcPatternGetInteger(font, FC_WEIGHT, 0, &weight) == FcResultMatch) {
        where.weight = FcWeightToOpenType(weight);
    }
    int slant = FC_SLANT_ROMAN;
    FcPatternGetInteger(font, FC_SLANT, 0, &slant);
    where.italic = slant != FC_SLANT_ROMAN;
    return where;
}

}  // namespace

bool IsDefaultJapaneseGothic(std::string_view face) {
    return face == "ＭＳ ゴシック" || SameName(face, "MS Gothic");
}

FaceMatcher::FaceMatcher() : ready_(FcInit() == FcTrue) {}

void FaceMatcher::HideFamily(std::string family) {
    hidden_.push_back(std::move(family));
    found_.clear();
}

bool FaceMatcher::IsHidden(const std::vector<std::string>& families) const {
    return std::any_of(families.begin(), families.end(), [&](const std::string& f) {
        return std::any_of(hidden_.begin(), hidden_.end(),
                           [&](const std::string& h) { return SameName(f, h); });
    });
}

std::optional<FaceLocation> FaceMatcher::Find(const FontRequest& r) {
    Key key{r.face, NormalWeight(r.weight), r.italic, r.charset, uint8_t(r.pitchAndFamily & 3)};
    if (auto it = found_.find(key); it != found_.end()) return it->second;
    std::optional<FaceLocation> where = Search(r);
    if (where) found_.emplace(key, *where);
    return where;
}

std::optional<FaceLocation> FaceMatcher::Search(const FontRequest& r) const {
    if (!ready_) return std::nullopt;
    Pattern pattern = MakePattern(r);
    if (!pattern) return std::nullopt;
    FcResult result = FcResultNoMatch;
    FontSet sorted(FcFontSort(nullptr, pattern.get(), FcTrue, nullptr, &result));
    if (!sorted) return std::nullopt;
    for (int i = 0; i < sorted->nfont; ++i) {
        std::vector<std::string> families = FamiliesOf(sorted->fonts[i]);
        if (IsHidden(families)) continue;
        if (auto where = LocationOf(sorted->fonts[i], std::move(families))) return where;
    }
    return std::nullopt;
}

}  // namespace host
