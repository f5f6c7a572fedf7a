// Finding the font file for a request with fontconfig. The engine's default Japanese
// gothic face, and an empty face name, ask for a Japanese monospace font; any other name
// is matched by fontconfig, which substitutes the closest installed face for a name it
// does not know, as GDI's font mapper does.
#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "host/font/glyph_source.h"

namespace host {

struct FaceLocation {
    std::string file;
    int index = 0;
    std::string family;
    int32_t weight = 400;  // OpenType scale
    bool italic = false;
};

// True for the names the engine gives its default Japanese gothic face (UTF-8).
bool IsDefaultJapaneseGothic(std::string_view face);

class FaceMatcher {
public:
    FaceMatcher();
    FaceMatcher(const FaceMatcher&) = delete;
    FaceMatcher& operator=(const FaceMatcher&) = delete;

    // Tests: behave as if no font of this family were installed.
    void HideFamily(std::string family);

    std::optional<FaceLocation> Find(const FontRequest& request);

private:
    using Key = std::tuple<std::string, int32_t, bool, uint8_t, uint8_t>;
    bool IsHidden(const std::vector<std::string>& families) const;
    std::optional<FaceLocation> Search(const FontRequest& request) const;

    bool ready_ = false;
    std::vector<std::string> hidden_;
    std::map<Key, FaceLocation> found_;
};

}  // namespace host
