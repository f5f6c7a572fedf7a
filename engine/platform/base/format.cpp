#include "engine/platform/base/format.h"

#include <cstdio>

namespace orvik {

int FormatTextV(char* buffer, size_t size, const char* format, va_list args) {
    if (!buffer || size == 0) return -1;
    if (!format) {
        buffer[0] = '\0';
        return -1;
    }
    const int wanted = std::vsnprintf(buffer, size, format, args);
    if (wanted < 0) {
        buffer[0] = '\0';
        return -1;
    }
    return size_t(wanted) < size ? wanted : int(size - 1);
}

int FormatText(char* buffer, size_t size, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int count = FormatTextV(buffer, size, format, args);
    va_end(args);
    return count < 0 ? -1 : 0;
}

}  // namespace orvik
