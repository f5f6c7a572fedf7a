// DirectDraw, cut down to what the engine still uses it for: waiting for the vertical
// blank. The blank is the backend's steady display clock (60 Hz unless told), so the
// manual clock drives it in tests.
#pragma once
#include <cstdint>
#include <string_view>
#include <vector>

#include "host/win/system/com.h"

namespace host {

inline constexpr std::string_view CLSID_DirectDraw7 = "DirectDraw7", IID_IDirectDraw7 = "IDirectDraw7";

constexpr uint32_t DDSCL_NORMAL = 0x8, DDSCL_FPUPRESERVE = 0x1000;
constexpr uint32_t DDWAITVB_BLOCKBEGIN = 0x1, DDWAITVB_BLOCKEND = 0x4;
constexpr HRESULT DDERR_INVALIDPARAMS = E_INVALIDARG, DDERR_NOTINITIALIZED = HRESULT(0x800401F0u),
                  DDERR_GENERIC = E_FAIL;

class IDirectDraw7 : public IUnknown {
public:
    virtual HRESULT Initialize(const void* guid) = 0;
    virtual HRESULT SetCooperativeLevel(HWND window, uint32_t flags) = 0;
    // Blocks until the next vertical blank begins.
    virtual HRESULT WaitForVerticalBlank(uint32_t flags, void* event) = 0;
};

struct DirectDrawSettings {
    bool initializeFails = false;
    bool cooperativeLevelFails = false;
    // A display whose blanks come at these intervals in turn (microseconds) instead of
    // the steady display clock: only with the manual clock.
    std::vector<int64_t> irregularIntervals;
};
DirectDrawSettings& DirectDrawTestSettings();
// Blanks waited for since the last reset (tests count them).
uint64_t VerticalBlankWaitCount();
// The clock when the last wait began (microseconds).
int64_t LastVerticalBlankWaitStart();
void ResetDirectDraw();

// The class factory CoCreateInstance calls.
HRESULT CreateDirectDraw7(REFIID iid, void** object);

}  // namespace host
