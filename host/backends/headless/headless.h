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

// A layered window's last picture as the backend was given it: where the window went, its
// size, the premultiplied 0xAARRGGBB pixels and the opacity.
struct LayeredFrame {
    int x = 0, y = 0, width = 0, height = 0;
    uint8_t opacity = 0;
    std::vector<uint32_t> pixels;
};

bool IsWindowOpen();
std::string WindowTitle();  // UTF-8
int WindowWidth();
int WindowHeight();
bool IsCursorVisible();
bool IsFullscreen();
int PresentedFrameCount();
// A layered window's frames count as presented too; LastFrame is then its whole picture
// over black, which painting (present) leaves as it is.
Frame LastFrame();
bool IsWindowLayered();
LayeredFrame LastLayeredFrame();
// Makes every present fail until switched off again.
void SetPresentFails(bool fails);
// The window disappears as if the display had destroyed it: presents fail from now on,
// and the next event poll reports it gone.
void VanishWindow();
// The last vibration sent to a pad (strength 0 when stopped).
uint16_t PadRumble(int pad);
void Reset();

}  // namespace host::headless
