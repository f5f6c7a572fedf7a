// File-name patterns with "*" (any run of characters) and "?" (any one character), compared
// character by character; two-byte characters (by the character set given) are one
// character each and must match byte for byte. The caller upper-cases both sides when case
// is not to matter.
#pragma once

namespace orvik {

// 0 when the name matches the pattern, -1 otherwise.
int MatchFileNamePattern(const char* name, const char* pattern, int charSet);

}  // namespace orvik
