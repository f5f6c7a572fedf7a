// Memory images: a small record naming a rectangle of pixels, over a reference-counted
// pixel store that a whole image and every view cut from it share.
#pragma once
#include <cstdint>

namespace orvik {

struct ColorFormat;

inline constexpr uint32_t kMemImgMagic = 0x12345678u;

// Colour types of a store.
enum : int32_t {
    kMemImgRgb565 = 0,   // 16-bit RGB565 (4 bytes a pixel with alpha in byte 2)
    kMemImgXrgb32 = 1,   // bytes blue, green, red, fourth (alpha when the store has it)
    kMemImgSingle8 = 2,  // one 8-bit value: blend masks
    kMemImgSingle16 = 3  // one 16-bit value
};

struct MemImgStore {
    int32_t refCount;
    int32_t width;
    int32_t height;
    int32_t pitch;
    int32_t pitchShift;  // log2(pitch) when the pitch is the row's power of two, else -1
    const ColorFormat* colorFormat;
    uint32_t transColor;
    int32_t colorType;
    int32_t usePalette;
    int32_t paletteCount;
    int32_t useAlpha;
    int32_t premulValid;
    int32_t runCodeValid;
    int32_t userPixels;
    uint8_t* palette;      // 2048 bytes: entries, then the writer's second copy
    uint8_t* paletteCopy;  // palette + 1024
    uint8_t* pixels;
    uint8_t* premulPixels;
    uint8_t* runCodes;
};

struct MEMIMG {
    uint32_t magic;
    int32_t width;
    int32_t height;
    uint8_t* pixels;
    uint8_t* premulPixels;
    MemImgStore* store;
};

// Sets up a free or released record over a new store; -1 when the request is bad or a
// block cannot be had, and then nothing made for it is kept.
int SetupMemImg(MEMIMG* img, int32_t width, int32_t height, int32_t pitch, uint32_t transColor,
                int32_t colorType, int32_t usePalette, int32_t useAlpha, int32_t makeExtras,
                void* userPixels);
// colorType -1 picks the screen's kind (16-bit screen: RGB565, else 32-bit).
int MakeMemImg(MEMIMG* img, int32_t width, int32_t height, int32_t colorType);
// A width x height window of src at (x, y) sharing its store; nothing happens when the
// window does not lie inside src.
void MakeMemImgView(MEMIMG* view, const MEMIMG* src, int32_t x, int32_t y, int32_t width,
                    int32_t height);
int IsMemImgValid(const MEMIMG* img);
void ReleaseMemImg(MEMIMG* img);
// The shared standard format of a kind of image; null for an unknown colour type.
const ColorFormat* GetMemImgColorFormat(int32_t colorType, int32_t useAlpha, int32_t usePalette);

// Bytes per pixel of a set-up image, from its store's format.
int MemImgBytesPerPixel(const MEMIMG* img);

}  // namespace orvik
