#include "host/win/system/drop_files.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <set>

#include "host/win/window/window.h"

namespace host {

struct DropTag {
    std::vector<std::string> names;
};

namespace {
std::mutex g_dropsLock;
std::set<HDROP> g_drops;

const DropTag* FindDrop(HDROP drop) {
    std::lock_guard<std::mutex> hold(g_dropsLock);
    return g_drops.count(drop) ? drop : nullptr;
}
}  // namespace

HDROP MakeDrop(std::vector<std::string> names) {
    auto drop = std::make_unique<DropTag>();
    drop->names = std::move(names);
    std::lock_guard<std::mutex> hold(g_dropsLock);
    return *g_drops.insert(drop.release()).first;
}

uint32_t DragQueryFileA(HDROP drop, uint32_t index, char* buffer, uint32_t size) {
    const DropTag* d = FindDrop(drop);
    if (!d) return 0;
    if (index == kDragQueryCount) return uint32_t(d->names.size());
    if (index >= d->names.size()) return 0;
    const std::string& name = d->names[index];
    if (!buffer) return uint32_t(name.size());
    if (size == 0) return 0;
    size_t copied = std::min<size_t>(name.size(), size - 1);
    std::memcpy(buffer, name.data(), copied);
    buffer[copied] = 0;
    return uint32_t(copied);
}

void DragAcceptFiles(HWND window, BOOL accept) {
    uint32_t style = uint32_t(GetWindowLongA(window, GWL_EXSTYLE));
    style = accept ? style | WS_EX_ACCEPTFILES : style & ~WS_EX_ACCEPTFILES;
    SetWindowLongA(window, GWL_EXSTYLE, int32_t(style));
}

bool AcceptsDroppedFiles(HWND window) {
    return IsWindow(window) && (uint32_t(GetWindowLongA(window, GWL_EXSTYLE)) & WS_EX_ACCEPTFILES);
}

void DragFinish(HDROP drop) {
    std::lock_guard<std::mutex> hold(g_dropsLock);
    if (g_drops.erase(drop)) delete drop;
}

size_t CountOpenDrops() {
    std::lock_guard<std::mutex> hold(g_dropsLock);
    return g_drops.size();
}

}  // namespace host
