#include "host/font/gdi_font.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <span>
#include <string>

#include "host/debug_output.h"
#include "host/font/code_page.h"
#include "host/font/font_host_state.h"
#include "host/font/gdi_height.h"
#include "host/font/glyph_bitmap.h"
#include "host/win/system/codepage.h"

namespace host {
namespace {

constexpr int32_t kDefaultCellHeight = 16;
constexpr size_t kFaceNameBytes = 31;  // GDI's face name field less its terminator
constexpr uintptr_t kFontTag = uintptr_t(0xF) << 28;
constexpr uintptr_t kDcTag = uintptr_t(0xD) << 28;

void Complain(const char* call, const char* what) {
    char line[160];
    std::snprintf(line, sizeof line, "%s: %s\n", call, what);
    OutputDebugStringA(line);
}

template <class Map>
uintptr_t NewId(FontHostState& s, const Map& map, uintptr_t tag) {
    uintptr_t id;
    do {
        id = tag | (s.nextSerial++ & 0x0FFFFFFFu);
    } while (map.count(id) != 0 || id == tag);
    return id;
}

// Removes the object `handle` names from its table; a handle that names none is told.
template <class Map, class Handle>
BOOL EraseObject(Map FontHostState::*table, Handle handle, const char* call, const char* what) {
    FontHostState& s = FontState();
    std::lock_guard guard(s.lock);
    if ((s.*table).erase(IdFromHandle(handle)) == 0) {
        Complain(call, what);
        return 0;
    }
    return 1;
}

// The face name as UTF-8. A name cut inside a two-byte character loses that byte; a name
// that is still no text asks for the default face.
std::string FaceNameUtf8(const char* faceName) {
    if (!faceName) return {};
    std::string_view bytes(faceName, strnlen(faceName, kFaceNameBytes));
    std::string utf8;
    if (MultiByteToUtf8(bytes, GetACP(), utf8)) return utf8;
    if (!bytes.empty() && MultiByteToUtf8(bytes.substr(0, bytes.size() - 1), GetACP(), utf8)) {
        return utf8;
    }
    return {};
}

uint8_t RealisedCharset(uint8_t charset) {
    return charset == DEFAULT_CHARSET ? CharsetOfSystemCodePage() : charset;
}

DcObject* FindDc(FontHostState& s, HDC dc) {
    auto it = s.dcs.find(IdFromHandle(dc));
    return it == s.dcs.end() ? nullptr : &it->second;
}

FontObject* SelectedFont(FontHostState& s, HDC dc, const char* call) {
    DcObject* context = FindDc(s, dc);
    if (!context) {
        Complain(call, "not a device context");
        return nullptr;
    }
    if (!context->font) Complain(call, "no font selected");
    return context->font.get();
}

bool IsIdentity(const MAT2& m) {
    auto same = [](const FIXED& a, const FIXED& b) { return a.value == b.value && a.fract == b.fract; };
    MAT2 identity = IdentityMat2();
    return same(m.eM11, identity.eM11) && same(m.eM12, identity.eM12) &&
           same(m.eM21, identity.eM21) && same(m.eM22, identity.eM22);
}

bool RenderGlyph(FontObject& font, uint32_t character, uint32_t format, GlyphImage& image) {
    char32_t unicode = 0;
    if (!CharCodeToUnicode(character, font.codePage, unicode)) {
        Complain("GetGlyphOutlineA", "the code is no character of the font's code page");
        return false;
    }
    if (!font.face->Render(unicode, RasterOfFormat(format), image) || !IsWellFormedGlyph(image)) {
        Complain("GetGlyphOutlineA", "the glyph cannot be rendered");
        return false;
    }
    return true;
}

}  // namespace

HFONT CreateFontA(int32_t height, int32_t weight, BOOL italic, uint32_t charset,
                  uint32_t pitchAndFamily, const char* faceName) {
    if (height > kMaxGdiHeight || height < -kMaxGdiHeight || charset > 0xFF) {
        Complain("CreateFontA", "height or character set out of range");
        return nullptr;
    }
    FontRequest request;
    request.face = FaceNameUtf8(faceName);
    request.height = height == 0 ? kDefaultCellHeight : height;
    request.weight = std::clamp(weight, 0, 1000);
    request.italic = italic != 0;
    request.charset = RealisedCharset(uint8_t(charset));
    request.pitchAndFamily = uint8_t(pitchAndFamily);

    FontHostState& s = FontState();
    std::lock_guard guard(s.lock);
    if (TakeFontFault(s.faults.createFont)) {
        Complain("CreateFontA", "no face (made to fail)");
        return nullptr;
    }
    auto font = std::make_shared<FontObject>();
    font->face = CurrentGlyphSource(s).Open(request);
    if (!font->face) {
        Complain("CreateFontA", "no face can be had for the request");
        return nullptr;
    }
    font->charset = request.charset;
    font->codePage = CodePageOfCharset(font->charset);
    uintptr_t id = NewId(s, s.fonts, kFontTag);
    s.fonts.emplace(id, std::move(font));
    return HandleFromId<HFONT>(id);
}

BOOL DeleteObject(HFONT font) { return EraseObject(&FontHostState::fonts, font, "DeleteObject", "not a font"); }

HDC CreateCompatibleDC(HDC) {
    FontHostState& s = FontState();
    std::lock_guard guard(s.lock);
    if (TakeFontFault(s.faults.createDc)) {
        Complain("CreateCompatibleDC", "no device context (made to fail)");
        return nullptr;
    }
    uintptr_t id = NewId(s, s.dcs, kDcTag);
    s.dcs.emplace(id, DcObject{});
    return HandleFromId<HDC>(id);
}

BOOL DeleteDC(HDC dc) { return EraseObject(&FontHostState::dcs, dc, "DeleteDC", "not a device context"); }

HFONT SelectObject(HDC dc, HFONT font) {
    FontHostState& s = FontState();
    std::lock_guard guard(s.lock);
    DcObject* context = FindDc(s, dc);
    std::shared_ptr<FontObject> chosen;
    if (font) {
        auto it = s.fonts.find(IdFromHandle(font));
        if (it != s.fonts.end()) chosen = it->second;
    }
    if (!context || (font && !chosen)) {
        Complain("SelectObject", "not a device context or not a font");
        return nullptr;
    }
    HFONT previous = context->selected;
    context->selected = font;
    context->font = std::move(chosen);
    return previous;
}

BOOL GetTextMetricsA(HDC dc, TEXTMETRICA* metrics) {
    FontHostState& s = FontState();
    std::lock_guard guard(s.lock);
    FontObject* font = SelectedFont(s, dc, "GetTextMetricsA");
    if (!font || !metrics) return 0;
    const FaceMetrics& m = font->face->Metrics();
    TEXTMETRICA tm;
    tm.tmAscent = m.ascent;
    tm.tmDescent = m.descent;
    tm.tmHeight = m.ascent + m.descent;
    tm.tmInternalLeading = m.internalLeading;
    tm.tmExternalLeading = m.externalLeading;
    tm.tmAveCharWidth = m.aveCharWidth;
    tm.tmMaxCharWidth = m.maxCharWidth;
    tm.tmWeight = m.weight;
    tm.tmDigitizedAspectX = 96;
    tm.tmDigitizedAspectY = 96;
    tm.tmItalic = m.italic ? 1 : 0;
    tm.tmPitchAndFamily = uint8_t(TMPF_TRUETYPE | TMPF_VECTOR | (m.fixedPitch ? 0 : TMPF_FIXED_PITCH));
    tm.tmCharSet = font->charset;
    *metrics = tm;
    return 1;
}

uint32_t GetGlyphOutlineA(HDC dc, uint32_t character, uint32_t format, GLYPHMETRICS* metrics,
                          uint32_t bufferSize, void* buffer, const MAT2* matrix) {
    FontHostState& s = FontState();
    std::lock_guard guard(s.lock);
    FontObject* font = SelectedFont(s, dc, "GetGlyphOutlineA");
    if (!font) return GDI_ERROR;
    if (!metrics || !matrix || !IsIdentity(*matrix) || !IsGlyphBitmapFormat(format)) {
        Complain("GetGlyphOutlineA", "no metrics, a transformed matrix or an unknown format");
        return GDI_ERROR;
    }
    if (TakeFontFault(s.faults.glyphOutline)) {
        Complain("GetGlyphOutlineA", "made to fail");
        return GDI_ERROR;
    }
    GlyphImage image;
    if (!RenderGlyph(*font, character, format, image)) return GDI_ERROR;
    uint32_t needed = GlyphBitmapSize(image, format);
    *metrics = GlyphMetricsOf(image);
    if (!buffer || bufferSize == 0) return needed;
    if (bufferSize < needed) {
        Complain("GetGlyphOutlineA", "buffer too small");
        return GDI_ERROR;
    }
    WriteGlyphBitmap(image, format, std::span(static_cast<uint8_t*>(buffer), bufferSize));
    return needed;
}

}  // namespace host
