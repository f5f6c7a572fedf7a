// The textures of models: the three shading graphics (two small images held in the
// program, and a grey ramp) and the material textures of every base, made again after
// the device is re-created; with the bump-map normal maps and the resizing of images
// whose sides are not powers of two.
#include <cmath>
#include <vector>

#include "engine/graphics/handles/graph_handles.h"
#include "engine/graphics/handles/graph_load.h"
#include "engine/graphics/readers/image_loader.h"
#include "engine/graphics/models/model_handles.h"

namespace orvik {

namespace {

// An uncompressed 32-bit top-down TGA image of the given pixels (0xAARRGGBB).
template <typename Pixel>
std::vector<uint8_t> MakeTga(int width, int height, Pixel pixel) {
    std::vector<uint8_t> tga = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, uint8_t(width), uint8_t(width >> 8),
                                uint8_t(height), uint8_t(height >> 8), 32, 0x28};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint32_t argb = pixel(x, y);
            for (int shift : {0, 8, 16, 24}) tga.push_back(uint8_t(argb >> shift));
        }
    return tga;
}

// The shading images: an 8 x 8 plain white light mask, and a 256 x 8 ramp of three light
// levels that gives models their banded shading.
const std::vector<uint8_t>& ShadingImage(int which) {
    static const std::vector<uint8_t> mask = MakeTga(8, 8, [](int, int) { return 0xFFFFFFFFu; });
    static const std::vector<uint8_t> ramp = MakeTga(256, 8, [](int x, int) {
        const uint32_t level = x < 96 ? 0x60 : x < 192 ? 0xB0 : 0xFF;
        return 0xFF000000u | level << 16 | level << 8 | level;
    });
    return which == 0 ? mask : ramp;
}

// Runs `work` with transfers keeping the transparent colour as it is.
template <typename Work>
auto WithoutTransparentColor(Work work) {
    GraphCreateSettings& settings = CreateSettings();
    const int32_t saved = settings.noTransferKey;
    settings.noTransferKey = 1;
    auto result = work();
    settings.noTransferKey = saved;
    return result;
}

// Refills a graphic from an image, or makes it when the handle no longer holds one.
int32_t PutImage(int32_t handle, BaseImage* image, BaseImage* alpha) {
    if (GetGraphRecord(handle)) return UpdateGraphFromBaseImages(image, alpha, handle, 0, 0, 0) == 0 ? handle : -1;
    return SetGraphFromBaseImage(image, alpha, 0, 0, 0);
}

int32_t RestoreShadingImage(int32_t handle, int which) {
    const std::vector<uint8_t>& tga = ShadingImage(which);
    if (GetGraphRecord(handle))
        return CreateGraphFromImageFile(tga.data(), int32_t(tga.size()), handle, nullptr, 0, 0, 0) == 0 ? handle : -1;
    BaseImage image{};
    if (LoadImageToBaseImageEx(nullptr, tga.data(), int32_t(tga.size()), 1, &image, 0) != 0) return -1;
    const int32_t made = SetGraphFromBaseImage(&image, nullptr, 0, 0, 0);
    FreeBaseImage(&image);
    return made;
}

void RestoreMaterial(ModelMaterial& m) {
    FreeBaseImage(&m.color);
    FreeBaseImage(&m.alpha);
    const void* alphaFile = m.alphaFile.empty() ? nullptr : m.alphaFile.data();
    const void* colorFile = m.colorFile.empty() ? nullptr : m.colorFile.data();
    if (CreateModelBaseTextures(&m.color, &m.alpha, colorFile, int32_t(m.colorFile.size()), alphaFile,
                                int32_t(m.alphaFile.size()), m.bump, m.bumpScale, 0) != 0)
        return;
    m.textureGraph = PutImage(m.textureGraph, &m.color, m.alpha.pixels ? &m.alpha : nullptr);
}

int NearestPowerOfTwo(int side) {
    int lower = 1;
    while (lower * 2 <= side) lower *= 2;
    return side - lower < lower * 2 - side ? lower : lower * 2;
}

// Replaces an image by the same image resized to sides that are powers of two.
int ResizeToPowerOfTwo(BaseImage* image) {
    const int width = NearestPowerOfTwo(image->width), height = NearestPowerOfTwo(image->height);
    if (width == image->width && height == image->height) return 0;
    BaseImage resized{};
    if (NewBaseImageLike(width, height, image, &resized) != 0) return -1;
    if (TransferBaseImageToGraph(0, 0, image->width, image->height, image, 0, 0, width, height, &resized, 1) != 0) {
        FreeBaseImage(&resized);
        return -1;
    }
    FreeBaseImage(image);
    *image = resized;
    return 0;
}

int Height(BaseImage* image, int x, int y) {
    int r = 0, g = 0, b = 0;
    ReadBaseImagePixelRGBA(image, (x + image->width) % image->width, (y + image->height) % image->height, &r, &g,
                           &b, nullptr);
    return (r + g + b) / 3;
}

// A normal map from the height differences to the right and lower neighbours, wrapping at
// the edges: x, y and z of the unit normal put in red, green and blue.
int MakeNormalMap(BaseImage* heights, float scale) {
    BaseImage normals{};
    if (NewXrgb32BaseImage(heights->width, heights->height, &normals) != 0) return -1;
    for (int y = 0; y < heights->height; ++y)
        for (int x = 0; x < heights->width; ++x) {
            const float h = float(Height(heights, x, y));
            const float dx = (float(Height(heights, x + 1, y)) - h) * scale / 255.0f;
            const float dy = (float(Height(heights, x, y + 1)) - h) * scale / 255.0f;
            const float length = std::sqrt(dx * dx + dy * dy + 1.0f);
            auto channel = [&](float v) { return int(std::lround((v / length * 0.5f + 0.5f) * 255.0f)); };
            WriteBaseImagePixel(&normals, x, y, channel(-dx), channel(-dy), channel(1.0f), 255);
        }
    FreeBaseImage(heights);
    *heights = normals;
    return 0;
}

int WhiteImage(int width, int height, BaseImage* out) {
    if (NewXrgb32BaseImage(width, height, out) != 0) return -1;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) WriteBaseImagePixel(out, x, y, 255, 255, 255, 255);
    return 0;
}

int LoadTextures(BaseImage* color, BaseImage* alpha, const void* colorFile, int32_t colorSize, const void* alphaFile,
                 int32_t alphaSize) {
    if (alphaFile && LoadImageToBaseImageEx(nullptr, alphaFile, alphaSize, 1, alpha, 0) != 0) return -1;
    if (colorFile) return LoadImageToBaseImageEx(nullptr, colorFile, colorSize, 1, color, 0);
    return alpha->pixels ? WhiteImage(alpha->width, alpha->height, color) : -1;
}

bool InsideImage(int left, int top, int right, int bottom, const BaseImage* image) {
    return left < right && top < bottom && left >= 0 && top >= 0 && right <= image->width &&
           bottom <= image->height;
}

// One channel between four neighbours, with 16-bit weights.
int Blend(int a, int b, int c, int d, uint32_t fx, uint32_t fy) {
    const uint64_t top = uint64_t(a) * (65536 - fx) + uint64_t(b) * fx;
    const uint64_t bottom = uint64_t(c) * (65536 - fx) + uint64_t(d) * fx;
    return int((((top * (65536 - fy)) >> 16) + ((bottom * fy) >> 16)) >> 16);
}

void SampleFiltered(BaseImage* source, uint32_t sx, uint32_t sy, int maxX, int maxY, int out[4]) {
    const int x0 = int(sx >> 16), y0 = int(sy >> 16);
    const int x1 = x0 < maxX ? x0 + 1 : x0, y1 = y0 < maxY ? y0 + 1 : y0;
    int p[4][4];
    const int xs[4] = {x0, x1, x0, x1}, ys[4] = {y0, y0, y1, y1};
    for (int i = 0; i < 4; ++i) ReadBaseImagePixelRGBA(source, xs[i], ys[i], &p[i][0], &p[i][1], &p[i][2], &p[i][3]);
    for (int c = 0; c < 4; ++c) out[c] = Blend(p[0][c], p[1][c], p[2][c], p[3][c], sx & 0xFFFF, sy & 0xFFFF);
}

}  // namespace

int RestoreModelTextures() {
    ModelSystemState& models = ModelSystem();
    if (!models.initialised) return 0;
    return WithoutTransparentColor([&] {
        for (int i = 0; i < 2; ++i) models.shadingGraphs[i] = RestoreShadingImage(models.shadingGraphs[i], i);
        if (!GetGraphRecord(models.shadingGraphs[2])) models.shadingGraphs[2] = CreateEmptyGraph(256, 8);
        FillGraphWithGrayRamp(models.shadingGraphs[2]);
        ForEachModelBase([](int32_t, ModelBase& base) {
            for (ModelMaterial& m : base.materials) RestoreMaterial(m);
        });
        return 0;
    });
}

int32_t FillGraphWithGrayRamp(int32_t handle) {
    BaseImage ramp{};
    if (NewXrgb32BaseImage(256, 8, &ramp) != 0) return -1;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 256; ++x) WriteBaseImagePixel(&ramp, x, y, x, x, x, 255);
    WithoutTransparentColor([&] { return ReloadGraphFromBaseImage(&ramp, handle); });
    FreeBaseImage(&ramp);
    return handle;
}

int CreateModelBaseTextures(BaseImage* colorOut, BaseImage* alphaOut, const void* colorFile, int32_t colorSize,
                            const void* alphaFile, int32_t alphaSize, int bump, float bumpScale, int) {
    BaseImage color{}, alpha{};
    bool done = LoadTextures(&color, &alpha, colorFile, colorSize, alphaFile, alphaSize) == 0;
    done = done && (!bump || MakeNormalMap(&color, bumpScale) == 0);
    done = done && ResizeToPowerOfTwo(&color) == 0 && (!alpha.pixels || ResizeToPowerOfTwo(&alpha) == 0);
    if (!done) {
        FreeBaseImage(&color);
        FreeBaseImage(&alpha);
        return -1;
    }
    *colorOut = color;
    *alphaOut = alpha;
    return 0;
}

int TransferBaseImageToGraph(int sourceLeft, int sourceTop, int sourceRight, int sourceBottom, BaseImage* source,
                             int destLeft, int destTop, int destRight, int destBottom, BaseImage* dest,
                             int filter) {
    if (!source || !dest || !InsideImage(sourceLeft, sourceTop, sourceRight, sourceBottom, source) ||
        !InsideImage(destLeft, destTop, destRight, destBottom, dest))
        return -1;
    const int sw = sourceRight - sourceLeft, sh = sourceBottom - sourceTop;
    const int dw = destRight - destLeft, dh = destBottom - destTop;
    if (sw == dw && sh == dh) return ConvertBaseImageFormat(sourceLeft, sourceTop, sw, sh, destLeft, destTop, source, dest);
    const uint32_t stepX = uint32_t((uint64_t(sw) << 16) / uint32_t(dw));
    const uint32_t stepY = uint32_t((uint64_t(sh) << 16) / uint32_t(dh));
    for (int y = 0; y < dh; ++y)
        for (int x = 0; x < dw; ++x) {
            const uint32_t sx = (uint32_t(sourceLeft) << 16) + uint32_t(x) * stepX;
            const uint32_t sy = (uint32_t(sourceTop) << 16) + uint32_t(y) * stepY;
            int c[4];
            if (filter == 1) SampleFiltered(source, sx, sy, sourceRight - 1, sourceBottom - 1, c);
            else ReadBaseImagePixelRGBA(source, int(sx >> 16), int(sy >> 16), &c[0], &c[1], &c[2], &c[3]);
            WriteBaseImagePixel(dest, destLeft + x, destTop + y, c[0], c[1], c[2], c[3]);
        }
    return 0;
}

}  // namespace orvik
