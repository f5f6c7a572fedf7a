#include "engine/platform/window/dropped_files.h"

#include <orvik/text_input.h>

#include "engine/platform/base/memory.h"

namespace orvik {

namespace {
DroppedFilesState g_dropped;
}  // namespace

DroppedFilesState& DroppedFiles() { return g_dropped; }

int StoreDroppedFiles(host::HDROP drop) {
    uint32_t count = host::DragQueryFileA(drop, host::kDragQueryCount, nullptr, 0);
    for (uint32_t i = 0; i < count && g_dropped.count < kMaxDroppedFiles; ++i) {
        uint32_t size = host::DragQueryFileA(drop, i, nullptr, 0) + 1;
        auto* name = static_cast<char*>(ORVIK_TRACKED_CALLOC(size));
        if (!name) break;
        host::DragQueryFileA(drop, i, name, size);
        g_dropped.names[g_dropped.count++] = name;
    }
    host::DragFinish(drop);
    return 0;
}

int GetDroppedFileCount() { return g_dropped.count; }

const char* GetDroppedFileName(int index) {
    return index >= 0 && index < g_dropped.count ? g_dropped.names[index] : nullptr;
}

int FreeDroppedFileNames() {
    for (int i = 0; i < g_dropped.count; ++i) TrackedFree(g_dropped.names[i]);
    g_dropped = DroppedFilesState{};
    return 0;
}

}  // namespace orvik
