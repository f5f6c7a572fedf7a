// The font table's life with graphics: the default font and its settings (and the default
// fonts of settings left a moment ago, kept with their glyphs), start-up and
// restart, and rebuilding every font after the device is made again.
#include <algorithm>
#include <cstring>

#include "engine/graphics/fonts/font_graph_port.h"
#include "engine/graphics/fonts/fonts_internal.h"
#include "engine/platform/base/charset.h"
#include "engine/platform/base/log.h"
#include "engine/platform/base/memory.h"
#include "engine/platform/window/window.h"
#include <orvik/fonts.h>

namespace orvik {

namespace {

FontDefaults FreshDefaults() {
    FontDefaults d;
    d.charSet = GetTextCharSet();
    return d;
}

FontParams ParamsOf(const FontRecord& f) {
    FontParams p{};
    std::memcpy(p.face, f.face, sizeof p.face);
    p.size = f.size;
    p.thickness = f.thickness;
    p.type = f.type;
    p.charSet = f.charSet;
    p.edgeSize = f.edgeSize;
    p.italic = f.italic;
    p.check = int32_t(f.check);
    p.spacing = f.spacing;
    return p;
}

int32_t CreateDefaultFont(const FontDefaults& d) {
    int32_t handle = CreateFontToHandle(d.face, d.size, d.thickness, d.type, d.charSet,
                                        d.type & kFontEdge ? d.edgeSize : -1, d.italic);
    SetFontSpacingToHandle(d.spacing, handle);
    return handle;
}

void FreeKeptDefaults() {
    for (FontRecord*& kept : FontSystem().keptDefaults) {
        FreeFontRecord(kept);
        kept = nullptr;
    }
}

void DeleteAllFonts() {
    for (int i = 0; i < kFontHandleCount; ++i)
        if (FontRecord* f = FontSystem().table[i]) DeleteFontHandle(MakeFontHandle(i, f->check));
    FreeKeptDefaults();
}

bool FollowsDefaults(const FontRecord& f, const FontDefaults& d) {
    return std::strcmp(f.face, d.face) == 0 && f.type == d.type && f.size == d.size && f.thickness == d.thickness &&
           f.charSet == d.charSet && f.edgeSize == d.edgeSize && f.italic == d.italic;
}

// The default font leaves the table as if deleted, kept first in line; the one kept
// longest goes when there is no room.
void KeepDefaultFont(int32_t handle) {
    FontRecord* f = DetachFont(handle);
    if (!f) return;
    FontRecord** kept = FontSystem().keptDefaults;
    FreeFontRecord(kept[kKeptDefaultFonts - 1]);
    std::copy_backward(kept, kept + kKeptDefaultFonts - 1, kept + kKeptDefaultFonts);
    kept[0] = f;
}

// A kept font made with these settings back in the table, as a font made now would be:
// its handle, or -1 when none is kept (or none can be made).
int32_t TakeKeptDefaultFont(const FontDefaults& d) {
    if (Window().rt.endFlag) return -1;
    FontRecord** kept = FontSystem().keptDefaults;
    for (int i = 0; i < kKeptDefaultFonts; ++i) {
        if (!kept[i] || !FollowsDefaults(*kept[i], d)) continue;
        int32_t handle = AttachFont(kept[i]);
        if (handle < 0) return -1;
        std::copy(kept + i + 1, kept + kKeptDefaultFonts, kept + i);
        kept[kKeptDefaultFonts - 1] = nullptr;
        SetFontSpacingToHandle(d.spacing, handle);
        return handle;
    }
    return -1;
}

}  // namespace

void ClearFontSystem() {
    DeleteAllFonts();
    FontSystem() = FontSystemState{};
    FontSystem().defaults = FreshDefaults();
}

int RebuildDefaultFont() {
    FontDefaults& d = FontSystem().defaults;
    if (const FontRecord* f = FindFont(d.handle)) {
        if (FollowsDefaults(*f, d)) return 0;
        KeepDefaultFont(d.handle);
    }
    d.handle = TakeKeptDefaultFont(d);
    if (d.handle < 0) d.handle = CreateDefaultFont(d);
    return 0;
}

namespace {

// A size the fonts cannot be made in leaves the default font as it was.
bool RefusedFontSize(int size, const char* caller) {
    if (size >= 1 && size <= kMaxFontSize) return false;
    AddLogFormat("フォントサイズ %d は使えません(1～%d) in %s", size, kMaxFontSize, caller);
    return true;
}

}  // namespace

int SetDefaultFontSize(int size) {
    if (size == -1) size = 16;
    if (RefusedFontSize(size, "SetDefaultFontSize")) return -1;
    FontSystem().defaults.size = size;
    return RebuildDefaultFont();
}

int SetDefaultFontThickness(int thickness) {
    FontSystem().defaults.thickness = thickness == -1 ? 6 : thickness;
    return RebuildDefaultFont();
}

int SetDefaultFontType(int fontType) {
    FontSystem().defaults.type = fontType == -1 ? 0 : fontType;
    return RebuildDefaultFont();
}

int SetDefaultFontSizeAndThickness(int, int size, int thickness) {
    if (RefusedFontSize(size, "SetDefaultFontSizeAndThickness")) return -1;
    FontSystem().defaults.size = size;
    FontSystem().defaults.thickness = thickness;
    return RebuildDefaultFont();
}

int StartFontManager() {
    AddLogText("フォントの初期化を行います\n");
    IncLogIndent();
    FontDefaults& d = FontSystem().defaults;
    const FontRecord* old = FindFont(d.handle);
    FontDefaults from = d;
    if (old) {
        std::memcpy(from.face, old->face, sizeof from.face);
        from.size = old->size;
        from.thickness = old->thickness;
        from.type = old->type;
        from.charSet = old->charSet;
        from.edgeSize = old->edgeSize;
        from.italic = old->italic;
    }
    DeleteAllFonts();
    d.handle = CreateDefaultFont(from);
    DecLogIndent();
    AddLogText("フォントの初期化は正常に終了しました\n");
    return 0;
}

int ResetFontSystem() {
    ClearFontSystem();
    return StartFontManager();
}

int RestartFontManager() {
    // A start that makes the default font and deleting it at once leave no font: the same
    // end without making a font (and its cache graphic) while graphics shuts down.
    AddLogText("フォントの初期化を行います\n");
    DeleteAllFonts();
    FontSystem().defaults.handle = -1;
    AddLogText("フォントの初期化は正常に終了しました\n");
    return 0;
}

std::vector<KeptFont> TakeFonts() {
    FontSystemState& s = FontSystem();
    FreeKeptDefaults();
    int32_t defaultSlot = -1;
    FindFont(s.defaults.handle, &defaultSlot);
    std::vector<KeptFont> kept;
    for (int i = 0; i < kFontHandleCount; ++i) {
        FontRecord* f = s.table[i];
        if (!f) continue;
        kept.push_back({ParamsOf(*f), i, f->deletedFlag, i == defaultSlot});
        f->deletedFlag = nullptr;  // the handle lives on: its owner must not see a deletion
        DeleteFontHandle(MakeFontHandle(i, f->check));
    }
    return kept;
}

void GiveBackFonts(const std::vector<KeptFont>& kept, int withDefault) {
    for (const KeptFont& k : kept) {
        if (k.isDefault && !withDefault) continue;
        const FontParams& p = k.params;
        int32_t handle = CreateFontToHandle(p.face[0] ? p.face : nullptr, p.size, p.thickness, p.type, p.charSet,
                                            p.edgeSize, p.italic, k.slot, p.check);
        if (handle < 0) {
            if (k.deletedFlag) *k.deletedFlag = 1;
            continue;
        }
        SetFontSpacingToHandle(p.spacing, handle);
        AttachFontDeletedFlag(handle, k.deletedFlag);
        if (k.isDefault) FontSystem().defaults.handle = handle;
    }
}

int RefreshFontHandles() {
    GiveBackFonts(TakeFonts(), 1);
    return 0;
}

}  // namespace orvik
