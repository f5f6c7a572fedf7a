#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "host/backends/backend.h"
#include "host/backends/backend_events.h"
#include "host/sync.h"

namespace host {

extern const Backend kHeadlessBackend;
extern const Backend kSdlBackend;

namespace {
const Backend* const kTable[] = {&kSdlBackend, &kHeadlessBackend, nullptr};

std::mutex g_mutex;
const Backend* g_chosen = nullptr;
const Backend* g_started = nullptr;
uint32_t g_thread = 0;
bool g_reported = false;

bool Start(const Backend* b) {
    if (g_started == b) return true;
    if (g_started) g_started->stop();
    g_started = nullptr;
    if (!b->available() || !b->start()) return false;
    g_started = b;
    g_thread = GetCurrentThreadId();
    return true;
}
}  // namespace

const Backend* const* BackendTable() { return kTable; }

const Backend* FindBackend(const char* name) {
    for (const Backend* const* b = kTable; *b; ++b)
        if (name && std::strcmp((*b)->name, name) == 0) return *b;
    return nullptr;
}

bool SelectBackend(std::string* error) {
    const char* env = std::getenv("ORVIK_HOST");
    const Backend* b = nullptr;
    if (env && *env) {
        b = FindBackend(env);
        if (!b) {
            if (error) *error = std::string("ORVIK_HOST=") + env + " names no backend (use sdl or headless)";
            return false;
        }
        if (!b->available()) {
            if (error) *error = std::string("the ") + env + " backend cannot start here";
            return false;
        }
    } else {
        b = FindBackend("sdl");
        if (!b->available()) {
            if (error)
                *error = "no display found: set DISPLAY or WAYLAND_DISPLAY, or ORVIK_HOST=headless to run without one";
            return false;
        }
    }
    std::lock_guard lock(g_mutex);
    g_chosen = b;
    return true;
}

bool UseBackend(const char* name) {
    const Backend* b = FindBackend(name);
    if (!b) return false;
    std::lock_guard lock(g_mutex);
    g_chosen = b;
    return Start(b);
}

const Backend* ActiveBackend() {
    {
        std::lock_guard lock(g_mutex);
        if (g_started) return g_started;
    }
    std::string error;
    if (!g_chosen && !SelectBackend(&error)) {
        std::lock_guard lock(g_mutex);
        if (!g_reported) std::fprintf(stderr, "orvik: %s\n", error.c_str());
        g_reported = true;
        return nullptr;
    }
    std::lock_guard lock(g_mutex);
    if (!Start(g_chosen) && !g_reported) {
        std::fprintf(stderr, "orvik: the %s backend failed to start\n", g_chosen->name);
        g_reported = true;
    }
    return g_started;
}

void StopBackend() {
    std::lock_guard lock(g_mutex);
    if (g_started) g_started->stop();
    g_started = nullptr;
    g_chosen = nullptr;
    g_reported = false;
}

void PollBackendEvents() {
    // A window procedure run by an event may look at its queue; the events it would pull
    // are already being handled.
    thread_local bool polling = false;
    if (polling) return;
    const Backend* b;
    {
        std::lock_guard lock(g_mutex);
        if (!g_started || g_thread != GetCurrentThreadId()) return;
        b = g_started;
    }
    polling = true;
    b->poll_events();
    polling = false;
}

}  // namespace host
