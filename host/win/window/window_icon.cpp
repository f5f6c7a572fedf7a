#include "host/win/window/window_icon.h"

#include <filesystem>
#include <mutex>

#include "host/backends/backend.h"
#include "host/win/window/window_state.h"

namespace host {
namespace {

std::mutex g_directoryMutex;
std::string g_resourceDirectory;

std::string ProgramDirectory() {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string(".") : program.parent_path().string();
}

}  // namespace

void SetResourceDirectory(const std::string& path) {
    std::lock_guard lock(g_directoryMutex);
    g_resourceDirectory = path;
}

std::string IconResourcePath(uintptr_t resource) {
    std::string dir;
    {
        std::lock_guard lock(g_directoryMutex);
        dir = g_resourceDirectory;
    }
    if (dir.empty()) dir = ProgramDirectory();
    return dir + "/icon" + std::to_string(resource) + ".bmp";
}

void ShowClassIconOnBackend(HWND window) {
    uintptr_t icon = 0;
    {
        std::lock_guard lock(detail::Win().mutex);
        auto& w = detail::Win();
        const detail::WindowRecord* rec = detail::FindWindowRecord(window);
        if (!rec || w.backendWindow != window) return;
        auto it = w.classes.find(detail::LowerName(rec->className.c_str()));
        if (it == w.classes.end()) return;
        icon = IdFromHandle(it->second.icon);
    }
    const Backend* b = ActiveBackend();
    if (icon != 0 && b && b->set_window_icon) b->set_window_icon(IconResourcePath(icon).c_str());
}

}  // namespace host
