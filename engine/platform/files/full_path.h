// Path rules on this system: "/" is the root and the separator; "\" is accepted and turned
// into "/" (never a trail byte of a two-byte character, which can be 0x5C).
#pragma once
#include <orvik/files.h>

#include <string>

namespace orvik {

// The path with every single-byte "\" turned into "/".
std::string ToSystemPath(const char* path);

// The full path of path resolved against base as MakeFullPath makes it, without its
// length limit. The base is a path of this system, taken as it is: a "\" in it is part
// of a name (the current directory's, say), not a separator.
std::string FullPathOf(const std::string& path, const std::string& base);

// The current directory whatever its length, "" when the system cannot give it.
std::string CurrentDirectoryPath();
// Copies the current directory into a caller's buffer of `size` bytes: its length, or -1
// (buffer emptied, logged) when it cannot be read or does not fit.
int CopyCurrentDirectory(char* buffer, size_t size);

// a-z to A-Z, two-byte characters (by the character set given) left whole.
std::string UpperCaseAscii(const std::string& text, int charSet);

}  // namespace orvik
