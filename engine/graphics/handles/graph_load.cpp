#include "engine/graphics/handles/graph_load.h"

#include <orvik/files.h>

#include "engine/graphics/images/base_image.h"
#include "engine/graphics/draw/draw_bounds.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/dds/dxt_decode.h"
#include "engine/graphics/handles/graph_handles.h"
#include "engine/graphics/movies/graph_movie.h"
#include "engine/graphics/handles/graph_textures.h"
#include "engine/graphics/device/graphics_system.h"
#include "engine/graphics/readers/image_loader.h"
#include "engine/graphics/images/pixel_convert.h"
#include "engine/platform/base/log.h"
#include "engine/platform/window/message_pump.h"

namespace orvik {

namespace {

GraphCreateSettings g_create;

// Frees the two images a load produced, whatever happens to the graphic.
struct LoadedImages {
    BaseImage image{}, alpha{};
    bool hasAlpha = false;
    ~LoadedImages() {
        FreeBaseImage(&image);
        FreeBaseImage(&alpha);
    }
};

// A file of no image format the readers know, but that exists, is tried as a movie.
int32_t LoadUnreadable(const char* path, int movieOption) {
    FileAccessHandle file = FileAccessOpen(path, 0, 1, 0);
    if (!file) return AddLogFormat("グラフィックファイル %s がありません", path);
    FileAccessClose(file);
    return LoadMovieGraph(path, movieOption);
}

void MirrorBoth(BaseImage* image, BaseImage* alpha) {
    MirrorBaseImage(image);
    if (alpha) MirrorBaseImage(alpha);
}

}  // namespace

GraphCreateSettings& CreateSettings() { return g_create; }
void ResetCreateSettings() { g_create = GraphCreateSettings{}; }

int SetCreateGraphBitDepth(int depth) {
    Draw().creationBitDepth = depth;
    return 0;
}
int GetCreateGraphBitDepth() { return Draw().creationBitDepth; }
int SetCreateDrawableGraphFlag(int flag) {
    g_create.drawable = flag;
    return 0;
}
int GetCreateDrawableGraphFlag() { return g_create.drawable; }
int SetGraphColorKeyFlag(int flag) {
    Draw().colorKeyOn = flag;
    return 0;
}
int GetGraphColorKeyFlag() { return Draw().colorKeyOn; }
int SetGraphAlphaChannelFlag(int flag) {
    g_create.alphaChannel = flag;
    return 0;
}
int GetGraphAlphaChannelFlag() { return g_create.alphaChannel; }
int SetGraphSystemCopyFlag(int flag) {
    g_create.systemCopy = flag;
    return 0;
}
int GetGraphSystemCopyFlag() { return g_create.systemCopy; }
int SetTransferColorKeyFlag(int flag) {
    g_create.noTransferKey = flag ? 0 : 1;
    return 0;
}

int SetTransparentColor(int red, int green, int blue) {
    if (GetScreenColorBitDepth() == 8) return 0;
    g_create.transColor = uint32_t(red & 255) << 16 | uint32_t(green & 255) << 8 | uint32_t(blue & 255);
    return 0;
}

int32_t LoadImageToGraph(const char* path, int flag) { return LoadGraphFile(path, flag ? 0 : 1, 0, 0); }

int32_t LoadGraphFile(const char* path, int passFlag, int mirror, int movieOption) {
    if (!Graphics().up || !path) return -1;
    WaitForActiveWindow();
    LoadedImages loaded;
    // The loader mirrors (both images); the flag is kept as the reload option, so a
    // restore after the device is made anew loads the file the same way.
    const int reloadOption = mirror == 1 ? 1 : 0;
    bool imageFile = false;
    int got = LoadImageWithAlphaFile(path, nullptr, 0, 0, nullptr, 0, 0, &loaded.image, &loaded.alpha, 0, reloadOption,
                                     &imageFile);
    // An image its reader refused stays refused: the movie path is for files of no image format.
    if (got < 0 && imageFile) return AddLogFormat("右記のグラフィックファイルのロードに失敗しました：%s ", path);
    if (got < 0) return LoadUnreadable(path, movieOption);
    loaded.hasAlpha = got == 0;
    BaseImage* alpha = loaded.hasAlpha ? &loaded.alpha : nullptr;
    int32_t handle = SetGraphFromBaseImage(&loaded.image, alpha, passFlag, mirror, 0);
    if (handle >= 0) {
        SetGraphFileName(handle, path);
        GetGraphRecord(handle)->reloadOption = reloadOption;
    }
    return handle;
}

int32_t SetGraphFromBaseImage(BaseImage* image, BaseImage* alpha, int passFlag, int mirror, int mirrorEnable) {
    if (!image) return -1;
    const bool flip = mirrorEnable == 1 && mirror == 1;
    // Blocks go to the device as they are when nothing has to be done to the pixels on
    // the way; otherwise the image is decoded first.
    const bool keepBlocks = Graphics().direct3DMode && !alpha && !flip;
    if ((!keepBlocks && DecodeDxtBaseImage(image) != 0) || (alpha && DecodeDxtBaseImage(alpha) != 0))
        return AddLogText("標準イメージ用のメモリ確保に失敗しました\n");
    if (flip) MirrorBoth(image, alpha);
    int32_t handle = NewGraphFromBaseImage(image, alpha, passFlag);
    if (handle >= 0 && TransferImageToGraph(nullptr, image, alpha, 0, 0, handle, 0) != 0) {
        DeleteGraphHandle(handle);
        handle = -1;
    }
    if (flip) MirrorBoth(image, alpha);
    return handle;
}

int32_t NewGraphFromBaseImage(const BaseImage* image, const BaseImage* alpha, int) {
    if (!Graphics().up || !image) return -1;
    WaitForActiveWindow();
    if (alpha && (alpha->width != image->width || alpha->height != image->height))
        return AddLogText("アルファ画像のサイズが元画像と一致しません\n");
    const ColorFormat& f = image->format;
    const int alphaFlag = f.alphaMask != 0 || alpha ? 1 : 0;
    const int palette = f.bytesPerPixel == 1 && f.alphaMask == 0 && !alpha ? 1 : 0;
    const int dxt = Graphics().direct3DMode ? int(f.compression) : 0;
    const int mips = image->mipCount ? int(image->mipCount) : -1;
    int32_t handle = AllocGraphHandle();
    if (CreateGraphImages(handle, image->width, image->height, mips, alphaFlag, palette, dxt) != 0) return -1;
    return handle;
}

int32_t CreateEmptyGraph(int width, int height, int) {
    if (!Graphics().up) return -1;
    WaitForActiveWindow();
    int32_t handle = AllocGraphHandle();
    if (CreateGraphImages(handle, width, height, -1, g_create.alphaChannel, 0, 0) != 0) return -1;
    return handle;
}

int32_t CreateDrawableGraph(int width, int height) {
    const int saved = g_create.drawable;
    g_create.drawable = 1;
    int32_t handle = CreateEmptyGraph(width, height);
    g_create.drawable = saved;
    return handle;
}

int TransferImageToGraph(const char* path, const BaseImage* image, const BaseImage* alpha, int sourceX, int sourceY,
                         int32_t handle, int reloadOption) {
    const GraphRecord* r = GetGraphRecord(handle);
    if (!r) return -1;
    const PixelRect rect{sourceX, sourceY, SaturatedInt(int64_t{sourceX} + r->width), SaturatedInt(int64_t{sourceY} + r->height)};
    return TransferImageToGraphEx(path, image, alpha, &rect, 0, 0, handle, reloadOption);
}

int TransferImageToGraphEx(const char* path, const BaseImage* image, const BaseImage* alpha, const PixelRect* sourceRect,
                           int originX, int originY, int32_t handle, int reloadOption) {
    GraphRecord* r = GetGraphRecord(handle);
    if (!Graphics().up || !r || !image) return -1;
    const PixelRect rect = sourceRect ? *sourceRect : PixelRect{0, 0, r->width, r->height};
    SetGraphFileName(handle, path);
    r->sourceX = sourceRect ? SaturatedInt(int64_t{rect.left} - originX) : 0;
    r->sourceY = sourceRect ? SaturatedInt(int64_t{rect.top} - originY) : 0;
    r->reloadOption = reloadOption;
    return TransferImageToTexture(handle, *image, alpha, rect, originX, originY, g_create.noTransferKey ? 0 : 1);
}

int UpdateGraphFromBaseImages(BaseImage* image, BaseImage* alpha, int32_t handle, int, int mirror, int mirrorEnable) {
    const GraphRecord* r = GetGraphRecord(handle);
    if (!r || !image || image->width != r->width || image->height != r->height) return -1;
    if (alpha && (alpha->width != r->width || alpha->height != r->height)) return -1;
    const bool flip = mirrorEnable == 1 && mirror == 1;
    if (flip) MirrorBoth(image, alpha);
    PixelRect rect{0, 0, r->width, r->height};
    int result = TransferImageToTexture(handle, *image, alpha, rect, 0, 0, g_create.noTransferKey ? 0 : 1);
    if (flip) MirrorBoth(image, alpha);
    return result == 0 ? 0 : -1;
}

int ReloadGraphFromBaseImage(BaseImage* image, int32_t handle) {
    return UpdateGraphFromBaseImages(image, nullptr, handle, 0, 0, 0);
}

int CreateGraphFromImageFile(const void* image, int32_t size, int32_t handle, const void* alphaImage,
                             int32_t alphaSize, int, int mirror) {
    BaseImage picture{}, alpha{};
    if (LoadImageToBaseImageEx(nullptr, image, size, 1, &picture, mirror) != 0) return -1;
    const bool withAlpha = alphaImage && LoadImageToBaseImageEx(nullptr, alphaImage, alphaSize, 1, &alpha, mirror) == 0;
    const int result = UpdateGraphFromBaseImages(&picture, withAlpha ? &alpha : nullptr, handle, 0, 0, 0);
    FreeBaseImage(&picture);
    FreeBaseImage(&alpha);
    return result;
}

}  // namespace orvik
