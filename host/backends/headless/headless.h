// The backend without a display: frames are captured, the window exists only as a
// record, and tests inject input straight into host/ (window messages, keys, pads).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace host::headless {

struct Frame {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;  // 0x00RRGGBB, width x height
};

bool IsWindowOpen();
std::string WindowTitle();  // UTF-8
int WindowWidth();
int WindowHeight();
bool IsCursorVisible();
bool IsFullscreen();
int PresentedFrameCount();
Frame LastFrame();
// Makes every present fail until switched off again.
void SetPresentFails(bool fails);
// The window disappears as if the display had destroyed it: presents fail from now on,
// and the next event poll reports it gone.
void VanishWindow();
// The last vibration sent to a pad (strength 0 when stopped).
uint16_t PadRumble(int pad);
void Reset();

}  // namespace host::headless
