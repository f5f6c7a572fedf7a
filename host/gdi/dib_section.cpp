#include "host/gdi/dib_section.h"

#include <map>
#include <mutex>
#include <vector>

namespace host {
namespace {

constexpr int kMaxSide = 16384;

struct Dib {
    std::vector<uint32_t> pixels;
    int width = 0, height = 0;
    bool bottomUp = false;
};

struct DibTable {
    std::mutex mutex;
    std::map<uintptr_t, Dib> dibs;
    std::map<uintptr_t, uintptr_t> selected;  // device context -> bitmap
    uintptr_t nextId = 1;
};

DibTable& Table() {
    static DibTable t;
    return t;
}

bool Acceptable(const BITMAPINFO* info) {
    if (!info) return false;
    const BITMAPINFOHEADER& h = info->bmiHeader;
    const int64_t height = h.biHeight < 0 ? -int64_t(h.biHeight) : h.biHeight;
    return h.biSize >= 40 && h.biPlanes == 1 && h.biBitCount == 32 && h.biCompression == BI_RGB && h.biWidth > 0 &&
           h.biWidth <= kMaxSide && height > 0 && height <= kMaxSide;
}

}  // namespace

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* info, uint32_t usage, void** bits, void*, uint32_t) {
    if (bits) *bits = nullptr;
    if (!bits || usage != DIB_RGB_COLORS || !Acceptable(info)) return nullptr;
    const BITMAPINFOHEADER& h = info->bmiHeader;
    Dib dib;
    dib.width = h.biWidth;
    dib.height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
    dib.bottomUp = h.biHeight > 0;
    dib.pixels.assign(size_t(dib.width) * size_t(dib.height), 0);
    DibTable& t = Table();
    std::lock_guard lock(t.mutex);
    const uintptr_t id = t.nextId++;
    *bits = t.dibs.emplace(id, std::move(dib)).first->second.pixels.data();
    return HandleFromId<HBITMAP>(id);
}

BOOL DeleteObject(HBITMAP bitmap) {
    DibTable& t = Table();
    std::lock_guard lock(t.mutex);
    const uintptr_t id = IdFromHandle(bitmap);
    // GDI refuses to delete a bitmap still selected into a context.
    for (const auto& [dc, selected] : t.selected)
        if (selected == id) return 0;
    return t.dibs.erase(id) ? 1 : 0;
}

HBITMAP SelectObject(HDC dc, HBITMAP bitmap) {
    DibTable& t = Table();
    std::lock_guard lock(t.mutex);
    const uintptr_t key = IdFromHandle(dc), id = IdFromHandle(bitmap);
    if (!dc || (bitmap && !t.dibs.count(id))) return nullptr;
    auto it = t.selected.find(key);
    const uintptr_t before = it == t.selected.end() ? 0 : it->second;
    if (bitmap) t.selected[key] = id;
    else if (it != t.selected.end()) t.selected.erase(it);
    return HandleFromId<HBITMAP>(before);
}

bool SelectedDib(HDC dc, DibView* view) {
    DibTable& t = Table();
    std::lock_guard lock(t.mutex);
    auto sel = t.selected.find(IdFromHandle(dc));
    if (sel == t.selected.end()) return false;
    const Dib& d = t.dibs.at(sel->second);
    view->width = d.width;
    view->height = d.height;
    view->pitchPixels = d.bottomUp ? -int64_t(d.width) : int64_t(d.width);
    view->pixels = d.pixels.data() + (d.bottomUp ? size_t(d.height - 1) * size_t(d.width) : 0);
    return true;
}

int LiveDibSectionCount() {
    DibTable& t = Table();
    std::lock_guard lock(t.mutex);
    return int(t.dibs.size());
}

void ResetDibSections() {
    DibTable& t = Table();
    std::lock_guard lock(t.mutex);
    t.dibs.clear();
    t.selected.clear();
}

}  // namespace host
