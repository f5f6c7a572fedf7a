#include "engine/graphics/movies/graph_movie.h"

#include <algorithm>
#include <cstring>

#include "engine/graphics/images/base_image.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/handles/graph_handles.h"
#include "engine/graphics/handles/graph_load.h"
#include "engine/graphics/handles/graph_textures.h"
#include "engine/graphics/handles/shown_texels.h"
#include "engine/graphics/device/graphics_system.h"
#include "engine/graphics/device/vertex_batch.h"
#include "engine/platform/base/log.h"
#include "engine/sound/movies/movie.h"
#include "engine/sound/movies/theora_movie.h"
#include "host/d3d9/device/device.h"

namespace orvik {

namespace {

int g_movieGraphFlag = 0;

// The creation settings a movie graphic is made with, put back afterwards. The
// whole-texture choice is put back as well, so that graphics made later are cut into
// textures as before.
struct MovieCreateSettings {
    int bitDepth = Draw().creationBitDepth, colorKey = Draw().colorKeyOn;
    int drawable = CreateSettings().drawable, systemCopy = CreateSettings().systemCopy;
    int wholeTexture = GraphTextureSettings().wholeTexture, flag = g_movieGraphFlag;

    // A drawable graphic is one render-target texture, which the device copies a decoded
    // frame into at once. A graphic that is not (an alpha movie's, whose textures need
    // alpha, or one larger than a texture, cut into several) takes its frames from memory.
    explicit MovieCreateSettings(bool oneTexture) {
        g_movieGraphFlag = 1;
        const int depth = GetScreenColorBitDepth();
        Draw().creationBitDepth = depth ? depth : 16;
        Draw().colorKeyOn = 0;
        CreateSettings().systemCopy = 1;
        CreateSettings().drawable = oneTexture ? 1 : 0;
        GraphTextureSettings().wholeTexture = 1;
    }
    ~MovieCreateSettings() {
        Draw().creationBitDepth = bitDepth, Draw().colorKeyOn = colorKey;
        CreateSettings().drawable = drawable, CreateSettings().systemCopy = systemCopy;
        GraphTextureSettings().wholeTexture = wholeTexture, g_movieGraphFlag = flag;
    }
};

// An alpha movie's graphic is the left half of its frames.
int GraphWidth(int frameWidth, int alpha) { return alpha ? frameWidth / 2 : frameWidth; }

// Whether the movie's graphic is one drawable texture: an opaque picture that fits one.
bool OneTexture(int width, int height, int alpha) {
    if (alpha) return false;
    MovieCreateSettings settings(true);
    return CheckGraphImageSize(width, height, 1, 0, 0) == 0;
}

int32_t CreateMovieImages(int frameWidth, int height, int alpha) {
    const int width = GraphWidth(frameWidth, alpha);
    MovieCreateSettings settings(OneTexture(width, height, alpha));
    const int32_t handle = AllocGraphHandle();
    if (handle < 0 || CreateGraphImages(handle, width, height, 1, alpha, 0, 0) != 0) return -1;
    return handle;
}

// A frame of the memory image's own pixel size goes in row by row without conversion.
bool CopyRows(const BaseImage& frame, MEMIMG& image) {
    const MemImgStore* store = image.store;
    if (!store || !store->colorFormat || store->colorFormat->bytesPerPixel != frame.format.bytesPerPixel) return false;
    const size_t rowBytes = size_t(std::min(frame.width, image.width)) * frame.format.bytesPerPixel;
    for (int y = 0; y < std::min(frame.height, image.height); ++y)
        std::memcpy(image.pixels + ptrdiff_t(y) * store->pitch, frame.pixels + ptrdiff_t(y) * frame.pitch, rowBytes);
    return true;
}

// The decoder's surface into level 0 of the graphic's first texture, converted by the
// device, without filtering.
int CopySurfaceToTexture(host::Surface* surface, TexturePiece& piece) {
    // Draws of the graphic still waiting in the vertex batch show the frame they were made with.
    FlushVertexBatch();
    NoteUntrackedTexelWrite(piece);
    const host::RECT rect{0, 0, piece.width, piece.height};
    return Graphics().dev.device->StretchRect(surface, &rect, piece.surface, &rect, host::D3DTEXF_NONE) < 0 ? -1 : 0;
}

}  // namespace

int GetMovieGraphFlag() { return g_movieGraphFlag; }

int CheckMovieGraphSize(int frameWidth, int height, int alpha) {
    const int width = GraphWidth(frameWidth, alpha);
    MovieCreateSettings settings(OneTexture(width, height, alpha));
    return CheckGraphImageSize(width, height, 1, alpha, 0);
}

DisplayCaps* ZeroDrawParamBlock(DisplayCaps* caps) {
    if (caps) *caps = DisplayCaps{};
    return caps;
}

int32_t LoadMovieGraph(const char* path, int movieOption) {
    int width = 0, height = 0;
    const int movie = OpenMovie(path, &width, &height, movieOption);
    if (movie < 0) return AddLogFormat("右記のグラフィックファイルのロードに失敗しました：%s ", path);
    const MovieRecord* m = GetMovieRecord(movie);
    const int32_t handle = CreateMovieImages(width, height, m->alphaMovie);
    GraphRecord* r = GetGraphRecord(handle);
    if (!r) {
        CloseMovie(movie);
        return AddLogFormat("右記のグラフィックファイルの格納用グラフィック領域の作成に失敗しました：%s", path);
    }
    r->movie = movie;
    // Only a drawable graphic takes frames from the decoder's video surface.
    if (m->isTheora && !r->images->drawable) ReleaseTheoraSurface(m->theora);
    SetMovieFrameCallback(movie, MovieFrameToGraphCallback, uint32_t(handle));
    return handle;
}

int MovieFrameToGraphCallback(MovieRecord* movie, uint32_t graph) {
    GraphRecord* r = GetGraphRecord(int32_t(graph));
    if (!movie || !r || !r->images || !movie->currentImage) return 0;
    if (movie->isTheora) {
        // On the device a Theora frame goes through the decoder's video-format surface into
        // a drawable graphic's one texture, the only kind the device's copy writes; an alpha
        // movie's graphic and one cut into textures take the frame image.
        const bool viaSurface = r->images->textured && r->images->drawable && !r->images->pieces.empty() &&
                                GetTheoraSurface(movie->theora);
        // Frame 0 was converted when the movie opened, so the first call copies the frame
        // already there; later calls copy only a newly converted one.
        if (ConvertTheoraFrame(movie->theora, !viaSurface, viaSurface) == 0 && movie->hasFrame) return 0;
        // A frame the surface did not take is in the frame image.
        if (host::Surface* surface = viaSurface ? GetTheoraTexture(movie->theora) : nullptr)
            return CopySurfaceToTexture(surface, r->images->pieces.front());
    }
    const BaseImage& frame = *movie->currentImage;
    if (!movie->alphaMovie) {
        if (!r->images->textured && CopyRows(frame, r->view)) return 0;
        const PixelRect rect{0, 0, std::min(frame.width, r->width), std::min(frame.height, r->height)};
        return TransferImageToTexture(int32_t(graph), frame, nullptr, rect, 0, 0, 0);
    }
    // The right half, at the same rows, gives the alpha of the left half's colours.
    const int32_t half = frame.width / 2;
    BaseImage alpha = frame;
    alpha.pixels = frame.pixels + ptrdiff_t(half) * frame.format.bytesPerPixel;
    const PixelRect rect{0, 0, std::min(half, r->width), std::min(frame.height, r->height)};
    return TransferImageToTexture(int32_t(graph), frame, &alpha, rect, 0, 0, 0);
}

}  // namespace orvik
