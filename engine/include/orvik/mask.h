// Drawing through a mask. While the mask screen is on, every draw lands on the draw
// target only where the mask screen's byte is 0 (or, with the reverse flag, where it is
// not 0). Masks are byte images held by handles and drawn onto the mask screen.
#pragma once
#include <cstdint>

namespace orvik {

// How DrawMask treats the mask's bytes.
constexpr int kMaskTransNone = 0;   // every byte is copied
constexpr int kMaskTransWhite = 1;  // bytes that are not 0 leave the mask screen as it is
constexpr int kMaskTransBlack = 2;  // bytes that are 0 leave the mask screen as it is

// A mask of width x height bytes, all 0; -1 when the table of 512 is full or the size is bad.
int32_t MakeMask(int width, int height);
// A mask from an image file: each byte is the pixel's red value.
int32_t LoadMask(const char* path);
int DeleteMaskHandle(int32_t handle);
int DeleteAllMaskHandles();
int GetMaskSize(int* width, int* height, int32_t handle);
// Copies width x height bytes (rows of `width` bytes) into the mask's top-left corner.
int SetDataToMask(int width, int height, const void* data, int32_t handle);

// Makes the mask screen (cleared to 0) and draws through it from now on.
int CreateMaskScreen();
// Stops drawing through the mask screen and frees it.
int DeleteMaskScreen();
// Turns drawing through an existing mask screen on or off; -1 when there is none.
int SetMaskScreenFlag(int flag);
int GetMaskScreenFlag();
// Sets every byte of the mask screen: 1 makes it all 0xFF (nothing drawn), 0 all 0.
int FillMaskScreen(int flag);
// Puts a mask on the mask screen at (x, y), cut to the screen.
int DrawMask(int x, int y, int32_t handle, int transMode);
// 1 lets draws through where the mask screen is not 0 instead.
int SetMaskReverseEffectFlag(int reverse);

}  // namespace orvik
