#include "host/win/window/region.h"

#include <mutex>
#include <set>

#include "host/win/window/window_state.h"

namespace host {

struct RegionTag {
    RECT box;
};

namespace {
std::mutex g_regionsLock;
std::set<HRGN> g_regions;

bool TakeRegion(HRGN region, RECT* box) {
    std::lock_guard hold(g_regionsLock);
    if (!g_regions.erase(region)) return false;
    if (box) *box = region->box;
    delete region;
    return true;
}
}  // namespace

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
    auto* region = new RegionTag{RECT{left, top, right, bottom}};
    std::lock_guard hold(g_regionsLock);
    g_regions.insert(region);
    return region;
}

BOOL DeleteObject(HRGN region) { return TakeRegion(region, nullptr); }

int SetWindowRgn(HWND window, HRGN region, BOOL) {
    std::lock_guard lock(detail::Win().mutex);
    detail::WindowRecord* rec = detail::FindWindowRecord(window);
    if (!rec) return 0;
    RECT box;
    if (region && !TakeRegion(region, &box)) return 0;
    rec->hasRegion = region != nullptr;
    if (region) rec->regionBox = box;
    return 1;
}

int GetWindowRgnBox(HWND window, RECT* box) {
    std::lock_guard lock(detail::Win().mutex);
    const detail::WindowRecord* rec = detail::FindWindowRecord(window);
    if (!rec || !rec->hasRegion) return RGN_ERROR;
    if (box) *box = rec->regionBox;
    return SIMPLEREGION;
}

size_t CountLiveRegions() {
    std::lock_guard hold(g_regionsLock);
    return g_regions.size();
}

}  // namespace host
