#include "host/font/code_page.h"

#include <iconv.h>

#include <cstdio>
#include <optional>

#include "host/font/gdi_font_types.h"
#include "host/win/system/codepage.h"

namespace host {
namespace {

class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (valid()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // The whole input converted, or nothing when any byte sequence is invalid or cut off.
    std::optional<std::string> Run(std::string_view input) {
        std::string out(input.size() * 4 + 8, '\0');
        char* in = const_cast<char*>(input.data());
        size_t inLeft = input.size();
        char* outPtr = out.data();
        size_t outLeft = out.size();
        if (iconv(cd_, &in, &inLeft, &outPtr, &outLeft) == size_t(-1) || inLeft != 0) {
            return std::nullopt;
        }
        out.resize(out.size() - outLeft);
        return out;
    }

private:
    iconv_t cd_;
};

std::string IconvName(uint32_t codePage) {
    char name[16];
    std::snprintf(name, sizeof name, "CP%u", codePage);
    return name;
}

std::optional<std::string> Convert(std::string_view text, uint32_t codePage, const char* to) {
    Converter converter(to, IconvName(codePage).c_str());
    if (!converter.valid()) return std::nullopt;
    return converter.Run(text);
}

}  // namespace

uint32_t CodePageOfCharset(uint8_t charset) {
    switch (charset) {
        case ANSI_CHARSET: return 1252;
        case SHIFTJIS_CHARSET: return 932;
        case HANGEUL_CHARSET: return 949;
        case GB2312_CHARSET: return 936;
        case CHINESEBIG5_CHARSET: return 950;
        default: return GetACP();
    }
}

uint8_t CharsetOfSystemCodePage() {
    switch (GetACP()) {
        case 932: return SHIFTJIS_CHARSET;
        case 949: return HANGEUL_CHARSET;
        case 936: return GB2312_CHARSET;
        case 950: return CHINESEBIG5_CHARSET;
        default: return ANSI_CHARSET;
    }
}

bool IsDoubleByteCodePage(uint32_t codePage) {
    return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950;
}

bool CharCodeToUnicode(uint32_t code, uint32_t codePage, char32_t& out) {
    std::string bytes;
    if (code > 0xFF && IsDoubleByteCodePage(codePage) && code <= 0xFFFF) {
        bytes = {char(code >> 8), char(code & 0xFF)};
    } else if (code <= 0xFF) {
        bytes = {char(code)};
    } else {
        return false;
    }
    std::optional<std::string> wide = Convert(bytes, codePage, "UTF-32LE");
    if (!wide || wide->size() != 4) return false;
    const auto* b = reinterpret_cast<const unsigned char*>(wide->data());
    out = char32_t(b[0]) | char32_t(b[1]) << 8 | char32_t(b[2]) << 16 | char32_t(b[3]) << 24;
    return true;
}

bool MultiByteToUtf8(std::string_view text, uint32_t codePage, std::string& out) {
    out.clear();
    std::optional<std::string> utf8 = Convert(text, codePage, "UTF-8");
    if (!utf8) return false;
    out = std::move(*utf8);
    return true;
}

}  // namespace host
