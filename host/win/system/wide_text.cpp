#include "host/win/system/wide_text.h"

#include <string_view>

#include "host/win/system/codepage.h"
#include "host/win/system/file_io.h"

namespace host {

namespace {

// UTF-8 to code points; a broken sequence becomes U+FFFD.
std::u32string DecodeUtf8(std::string_view s) {
    std::u32string out;
    for (size_t i = 0; i < s.size();) {
        const auto lead = static_cast<unsigned char>(s[i]);
        const size_t n = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
        if (n == 0 || i + n > s.size()) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        char32_t c = n == 1 ? lead : lead & (0x7F >> n);
        for (size_t k = 1; k < n; ++k) c = c << 6 | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        out.push_back(c);
        i += n;
    }
    return out;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) return out.push_back(char(c));
    if (c < 0x800) {
        out.push_back(char(0xC0 | c >> 6));
    } else if (c < 0x10000) {
        out.push_back(char(0xE0 | c >> 12));
        out.push_back(char(0x80 | (c >> 6 & 0x3F)));
    } else {
        out.push_back(char(0xF0 | c >> 18));
        out.push_back(char(0x80 | (c >> 12 & 0x3F)));
        out.push_back(char(0x80 | (c >> 6 & 0x3F)));
    }
    out.push_back(char(0x80 | (c & 0x3F)));
}

}  // namespace

int MultiByteToWideChar(uint32_t codePage, const char* text, char16_t* out, int units) {
    if (!text || !out || units < 1) return 0;
    const std::u32string points = DecodeUtf8(codePage == 932 ? Cp932ToUtf8(text) : std::string(text));
    std::u16string wide;
    for (char32_t c : points) {
        if (c < 0x10000) {
            wide.push_back(char16_t(c));
        } else {
            wide.push_back(char16_t(0xD800 + ((c - 0x10000) >> 10)));
            wide.push_back(char16_t(0xDC00 + ((c - 0x10000) & 0x3FF)));
        }
    }
    if (int(wide.size()) + 1 > units) return 0;
    wide.copy(out, wide.size());
    out[wide.size()] = 0;
    return int(wide.size()) + 1;
}

std::string Utf16ToUtf8(const char16_t* text) {
    std::string out;
    for (; text && *text; ++text) {
        char32_t c = *text;
        if (c >= 0xD800 && c < 0xDC00 && text[1] >= 0xDC00 && text[1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (*++text - 0xDC00);
        AppendUtf8(out, c);
    }
    return out;
}

int WideCharToMultiByte(uint32_t codePage, const char16_t* text, char* out, int bytes) {
    if (!text || !out || bytes < 1) return 0;
    const std::string utf8 = Utf16ToUtf8(text);
    const std::string converted = codePage == 932 ? Utf8ToCp932(utf8) : utf8;
    if (int(converted.size()) + 1 > bytes) return 0;
    converted.copy(out, converted.size());
    out[converted.size()] = 0;
    return int(converted.size()) + 1;
}

BOOL DeleteFileW(const char16_t* path) { return path && DeleteFileA(Utf16ToUtf8(path).c_str()); }

}  // namespace host
