// Wide (UTF-16) text as the media graph's file names take it: conversion from the
// system's multibyte text and to UTF-8 for Linux paths, and deleting a file by such a name.
#pragma once
#include <cstdint>
#include <string>

#include "host/win/types.h"

namespace host {

// Converts `text` (code page 932, or UTF-8 for any other code page) into at most
// `units` UTF-16 units of `out`, the terminator included. The units written with the
// terminator, or 0 when it does not fit.
int MultiByteToWideChar(uint32_t codePage, const char* text, char16_t* out, int units);
std::string Utf16ToUtf8(const char16_t* text);
BOOL DeleteFileW(const char16_t* path);

}  // namespace host
