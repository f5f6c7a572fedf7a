// Wide (UTF-16) text as the media graph's file names and DirectMusic's descriptions
// take it: conversion from and to the system's multibyte text and to UTF-8 for Linux
// paths, and deleting a file by such a name.
#pragma once
#include <cstdint>
#include <string>

#include "host/win/system/types.h"

namespace host {

// Converts `text` (code page 932, or UTF-8 for any other code page) into at most
// `units` UTF-16 units of `out`, the terminator included. The units written with the
// terminator, or 0 when it does not fit.
int MultiByteToWideChar(uint32_t codePage, const char* text, char16_t* out, int units);
// Converts UTF-16 `text` into `codePage` (932, or UTF-8 for any other) in at most
// `bytes` bytes of `out`, the terminator included. The bytes written with the
// terminator, or 0 when it does not fit.
int WideCharToMultiByte(uint32_t codePage, const char16_t* text, char* out, int bytes);
std::string Utf16ToUtf8(const char16_t* text);
BOOL DeleteFileW(const char16_t* path);

}  // namespace host
