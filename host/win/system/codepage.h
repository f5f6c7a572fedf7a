// The code page of the system's text (932, Shift-JIS, unless a test says otherwise) and
// the conversion of that text to UTF-8 for the backends.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace host {

uint32_t GetOEMCP();
uint32_t GetACP();
void SetSystemCodePage(uint32_t codePage);

// Code-page 932 text to UTF-8 and back; what does not convert becomes '?'.
std::string Cp932ToUtf8(std::string_view text);
std::string Utf8ToCp932(std::string_view text);

}  // namespace host
