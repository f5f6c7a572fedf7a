// printf-style formatting into caller buffers, always bounded by the buffer's size.
#pragma once
#include <cstdarg>
#include <cstddef>

namespace orvik {

// Formats into the buffer (truncating to size - 1 bytes plus the terminator); returns the
// number of characters stored, or -1 for a bad argument or format.
int FormatTextV(char* buffer, size_t size, const char* format, va_list args);
// The same with arguments; 0 on success, -1 on failure.
int FormatText(char* buffer, size_t size, const char* format, ...) __attribute__((format(printf, 3, 4)));

}  // namespace orvik
