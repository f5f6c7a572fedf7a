#include "engine/platform/files/name_pattern.h"

#include <cstring>

#include "engine/platform/base/charset.h"

namespace orvik {
namespace {

// Bytes of the character at p: 2 for a lead byte with its trail, else 1.
int CharLength(const char* p, int charSet) {
    return IsDoubleByteLead(p, charSet) && p[1] != 0 ? 2 : 1;
}

}  // namespace

// Greedy matching that remembers the last "*": when a later character fails, the star takes
// one more character of the name and the match resumes behind it, so "*.BMP" finds the
// last ".BMP" of "A.B.BMP".
int MatchFileNamePattern(const char* name, const char* pattern, int charSet) {
    if (name == nullptr || pattern == nullptr) return -1;
    const char* starPattern = nullptr;
    const char* starName = nullptr;
    while (*name != 0) {
        if (*pattern == '*') {
            while (*pattern == '*') ++pattern;
            if (*pattern == 0) return 0;
            starPattern = pattern;
            starName = name;
            continue;
        }
        const int nameLength = CharLength(name, charSet);
        if (*pattern != 0) {
            const int patternLength = CharLength(pattern, charSet);
            const bool any = *pattern == '?';
            if (any || (patternLength == nameLength &&
                        std::memcmp(pattern, name, static_cast<size_t>(nameLength)) == 0)) {
                pattern += any ? 1 : patternLength;
                name += nameLength;
                continue;
            }
        }
        if (starPattern == nullptr) return -1;
        starName += CharLength(starName, charSet);
        name = starName;
        pattern = starPattern;
    }
    while (*pattern == '*') ++pattern;
    return *pattern == 0 ? 0 : -1;
}

}  // namespace orvik
