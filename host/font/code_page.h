// Multibyte text of the engine (code page 932 and the other code pages a font's character
// set implies) turned into Unicode for fontconfig and FreeType, with iconv.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace host {

// The code page a font's character set reads its character codes in; the default set
// reads them in the system's code page.
uint32_t CodePageOfCharset(uint8_t charset);
// The character set a font made for the default set is realised in.
uint8_t CharsetOfSystemCodePage();
bool IsDoubleByteCodePage(uint32_t codePage);

// A character code as GetGlyphOutlineA takes it: one byte, or for a double-byte code
// page lead byte x 256 + trail byte. False for a code that is no character there.
bool CharCodeToUnicode(uint32_t code, uint32_t codePage, char32_t& out);

// False (and out left empty) when the text is not valid in the code page.
bool MultiByteToUtf8(std::string_view text, uint32_t codePage, std::string& out);

}  // namespace host
