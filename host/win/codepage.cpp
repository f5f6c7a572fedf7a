#include "host/win/codepage.h"

#include <iconv.h>

#include <atomic>
#include <cerrno>
#include <cstdint>

namespace host {

namespace {
std::atomic<uint32_t> g_codePage{932};
}

uint32_t GetOEMCP() { return g_codePage; }
uint32_t GetACP() { return g_codePage; }
void SetSystemCodePage(uint32_t codePage) { g_codePage = codePage; }

std::string Cp932ToUtf8(std::string_view text) {
    iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == iconv_t(-1)) return std::string(text);
    std::string out;
    char buffer[256];
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    while (inLeft > 0) {
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        size_t r = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, size_t(outPtr - buffer));
        if (r == size_t(-1) && errno != E2BIG) {
            out += '?';  // an undecodable byte: skip it and go on
            ++in;
            --inLeft;
        }
    }
    iconv_close(cd);
    return out;
}

}  // namespace host
