// Path rules on this system: "/" is the root and the separator; "\" is accepted and turned
// into "/" (never a trail byte of a two-byte character, which can be 0x5C).
#pragma once
#include <orvik/files.h>

#include <string>

namespace orvik {

// The path with every single-byte "\" turned into "/".
std::string ToSystemPath(const char* path);

// The full path of path resolved against base as MakeFullPath makes it, without its
// length limit.
std::string FullPathOf(const std::string& path, const std::string& base);

// a-z to A-Z, two-byte characters (by the character set given) left whole.
std::string UpperCaseAscii(const std::string& text, int charSet);

}  // namespace orvik
