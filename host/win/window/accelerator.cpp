#include "host/win/window/accelerator.h"

#include <mutex>
#include <set>
#include <vector>

#include "host/win/window/message_queue.h"

namespace host {

struct AccelTag {
    std::vector<ACCEL> entries;
};

namespace {
std::mutex g_mutex;
std::set<HACCEL> g_tables;

constexpr LPARAM kAltHeldBit = LPARAM(1) << 29;

bool Matches(const ACCEL& a, const MSG& msg) {
    if (!(a.fVirt & FVIRTKEY) || a.key != msg.wParam) return false;
    bool alt = msg.message == WM_SYSKEYDOWN && (msg.lParam & kAltHeldBit);
    return alt == ((a.fVirt & FALT) != 0);
}
}  // namespace

HACCEL CreateAcceleratorTableA(const ACCEL* entries, int count) {
    if (!entries || count <= 0) return nullptr;
    auto* table = new AccelTag{std::vector<ACCEL>(entries, entries + count)};
    std::lock_guard lock(g_mutex);
    g_tables.insert(table);
    return table;
}

BOOL DestroyAcceleratorTable(HACCEL table) {
    std::lock_guard lock(g_mutex);
    if (!g_tables.erase(table)) return 0;
    delete table;
    return 1;
}

int TranslateAcceleratorA(HWND window, HACCEL table, const MSG* msg) {
    if (!msg || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) return 0;
    uint16_t cmd = 0;
    bool found = false;
    {
        std::lock_guard lock(g_mutex);
        if (!g_tables.count(table)) return 0;
        for (const ACCEL& a : table->entries)
            if (!found && Matches(a, *msg)) cmd = a.cmd, found = true;
    }
    if (!found) return 0;
    SendMessageA(window, WM_COMMAND, WPARAM(cmd) | (WPARAM(1) << 16), 0);
    return 1;
}

}  // namespace host
