// Path rules on this system: "/" is the root and the separator; "\" is accepted and turned
// into "/" (never a trail byte of a two-byte character, which can be 0x5C).
#pragma once
#include <string>

namespace orvik {

// The path with every single-byte "\" turned into "/".
std::string ToSystemPath(const char* path);

// Resolves path against the directory base (null: the current directory as the file
// operations report it) into out, a buffer of 260 bytes. "." and ".." between separators
// are resolved, empty elements skipped; the last element is appended as it is. A null path
// copies base. Returns 0, or -1 (out empty) when the result does not fit.
int MakeFullPath(const char* path, char* out, const char* base);
// The same into a string, without the length limit.
std::string FullPathOf(const std::string& path, const std::string& base);

// a-z to A-Z, two-byte characters (by the character set given) left whole.
std::string UpperCaseAscii(const std::string& text, int charSet);

}  // namespace orvik
