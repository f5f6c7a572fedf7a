#include "host/win/system/codepage.h"

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

namespace {
// Bytes of the character that starts with `lead` in UTF-8, so an unconvertible
// character becomes one '?'.
size_t Utf8Length(unsigned char lead) {
    if (lead >= 0xF0) return 4;
    if (lead >= 0xE0) return 3;
    if (lead >= 0xC0) return 2;
    return 1;
}

// Closes the converter on every way out, the text running out of memory included.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (cd_ != iconv_t(-1)) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    iconv_t Get() const { return cd_; }

private:
    iconv_t cd_;
};

std::string Convert(const char* to, const char* from, std::string_view text) {
    bool fromUtf8 = std::string_view(from) == "UTF-8";
    const Converter converter(to, from);
    iconv_t cd = converter.Get();
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
            out += '?';  // an unconvertible character: skip it and go on
            size_t skip = fromUtf8 ? Utf8Length(static_cast<unsigned char>(*in)) : 1;
            skip = skip < inLeft ? skip : inLeft;
            in += skip;
            inLeft -= skip;
        }
    }
    return out;
}
}  // namespace

std::string Cp932ToUtf8(std::string_view text) { return Convert("UTF-8", "CP932", text); }
std::string Utf8ToCp932(std::string_view text) { return Convert("CP932", "UTF-8", text); }

}  // namespace host
