#include "host/ddraw/ddraw.h"

#include <atomic>

#include "host/backends/display_clock.h"
#include "host/clock.h"

namespace host {
namespace {

DirectDrawSettings g_settings;
std::atomic<uint64_t> g_waits{0};
std::atomic<int64_t> g_waitStart{0};
size_t g_nextInterval = 0;
int64_t g_lastIrregularBlank = 0;

void WaitIrregularBlank() {
    const auto& intervals = g_settings.irregularIntervals;
    int64_t now = NowMicroseconds();
    int64_t next = g_lastIrregularBlank + intervals[g_nextInterval++ % intervals.size()];
    while (next <= now) next += intervals[g_nextInterval++ % intervals.size()];
    AdvanceManualClock(next - now);
    g_lastIrregularBlank = next;
}

class DirectDraw7 final : public ComObject<IDirectDraw7> {
public:
    HRESULT Initialize(const void*) override {
        if (g_settings.initializeFails) return DDERR_GENERIC;
        initialised_ = true;
        return S_OK;
    }
    HRESULT SetCooperativeLevel(HWND, uint32_t flags) override {
        if (!initialised_) return DDERR_NOTINITIALIZED;
        if (g_settings.cooperativeLevelFails || !(flags & DDSCL_NORMAL)) return DDERR_INVALIDPARAMS;
        return S_OK;
    }
    HRESULT WaitForVerticalBlank(uint32_t flags, void*) override {
        if (!initialised_) return DDERR_NOTINITIALIZED;
        if (flags != DDWAITVB_BLOCKBEGIN && flags != DDWAITVB_BLOCKEND) return DDERR_INVALIDPARAMS;
        g_waitStart = NowMicroseconds();
        if (!g_settings.irregularIntervals.empty() && IsManualClock()) WaitIrregularBlank();
        else WaitForNextVerticalBlank();
        ++g_waits;
        return S_OK;
    }

private:
    bool initialised_ = false;
};

}  // namespace

DirectDrawSettings& DirectDrawTestSettings() { return g_settings; }
uint64_t VerticalBlankWaitCount() { return g_waits; }
int64_t LastVerticalBlankWaitStart() { return g_waitStart; }

void ResetDirectDraw() {
    g_settings = DirectDrawSettings{};
    g_waits = 0;
    g_waitStart = 0;
    g_nextInterval = 0;
    g_lastIrregularBlank = 0;
}

HRESULT CreateDirectDraw7(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IDirectDraw7) return E_NOINTERFACE;
    *object = static_cast<IDirectDraw7*>(new DirectDraw7());
    return S_OK;
}

}  // namespace host
