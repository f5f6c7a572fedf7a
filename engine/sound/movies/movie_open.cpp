// Opening and closing movies: Ogg Theora files through the engine's own decoder with
// their Vorbis track as a stream sound; any other file through the media graph.
#include <orvik/files.h>
#include <orvik/movie.h>
#include <orvik/sound.h>

#include <memory>

#include "engine/graphics/movies/graph_movie.h"
#include "engine/graphics/device/graphics_system.h"
#include "engine/platform/files/file_access.h"
#include "engine/platform/base/log.h"
#include "engine/platform/base/memory.h"
#include "engine/platform/base/short_of_memory.h"
#include "engine/sound/movies/movie.h"
#include "engine/sound/core/sound_state.h"
#include "engine/sound/movies/theora_movie.h"

namespace orvik {

namespace {

constexpr int kTheoraStockFrames = 10;

int FreeSlot() {
    for (int slot = 0; slot < kMaxMovies; ++slot)
        if (!Movies().slots[slot]) return slot;
    return -1;
}

// The movie's own file is read again as its sound: streamed from the file, by the Ogg
// Vorbis reader alone. -1 when it has no sound that reader takes.
int LoadMovieSound(const char* fileName) {
    const int loadMode = GetSoundLoadMode();
    Sound().vorbisReaderFlag = 1;
    SetSoundLoadMode(3);
    const int disabled = GetDisableSoundConverters();
    SetDisableSoundConverters(~kConverterOggVorbis);
    const int sound = LoadSound(fileName, 1, -1);
    SetDisableSoundConverters(disabled);
    Sound().vorbisReaderFlag = 0;
    SetSoundLoadMode(loadMode);
    return sound;
}

// The file stays open for the movie's life, as the decode thread reads it.
bool OpenTheora(MovieRecord* r, const char* fileName) {
    r->file = FileAccessOpen(fileName, 0, 1, 0);
    if (!r->file) return false;
    r->theora = OpenTheoraMovie(&ActiveFileAccessFunctions(), r->file, kTheoraStockFrames);
    if (!r->theora) {
        FileAccessClose(r->file);
        r->file = 0;
        return false;
    }
    r->sound = LoadMovieSound(fileName);
    TheoraMovieInfo info{};
    GetTheoraMovieInfo(r->theora, &info);
    r->width = info.width;
    r->height = info.height;
    r->isTheora = 1;
    r->currentImage = GetTheoraFrameImage(r->theora);
    return true;
}

// Any other file goes to the media graph.
bool OpenGraph(MovieRecord* r, const char* fileName, int mode) {
    r->tempFileMade = 0;
    if (OpenMovieDirectShow(GetDirectDrawObject(), r, fileName, nullptr, nullptr, mode) != 0) return false;
    r->currentImage = &r->frameImage;
    return true;
}

int g_rightHalfAlpha = 0;

}  // namespace

int SetMovieRightHalfAlphaFlag(int flag) {
    g_rightHalfAlpha = flag != 0;
    return 0;
}

int CheckMovieFrameSize(int width, int height) {
    if (int64_t(width) * int64_t(height) > kMostMovieFramePixels)
        return AddLogFormat("movie frames of %d x %d are more pixels than the largest 8K frame (8192 x 4320)", width,
                            height);
    if (CheckMovieGraphSize(width, height, g_rightHalfAlpha) == 0) return 0;
    return AddLogFormat("movie frames of %d x %d are larger than a graphic can hold", width, height);
}

namespace {

// Lets go of what a record holds (the Theora decoder with its file and sound track, or the
// media graph with its temporary copy) and frees it.
void FreeMovieRecord(MovieRecord* r) {
    CloseTheoraMovie(r->theora);
    if (r->file) FileAccessClose(r->file);
    DeleteSound(r->sound, 0);
    CloseGraphMovie(r);
    TrackedFree(r);
}

struct MovieRecordFreer {
    void operator()(MovieRecord* r) const { FreeMovieRecord(r); }
};
// Owns a record until the table takes it, so that an open failing on the way, memory
// running short included, lets go of everything it had opened.
using MovieRecordOwner = std::unique_ptr<MovieRecord, MovieRecordFreer>;

int OpenMovieRecord(const char* fileName, int* width, int* height, int mode) {
    if (!fileName) return -1;
    const int slot = FreeSlot();
    if (slot < 0) return -1;
    MovieRecordOwner r(static_cast<MovieRecord*>(TrackedCalloc(sizeof(MovieRecord), "", 0)));
    if (!r) return AddLogText("メモリの確保に失敗しました in OpenMovie\n");
    r->sound = -1;
    r->graphFlag = 0;  // a library setting nothing changes
    r->alphaMovie = g_rightHalfAlpha;
    if (!OpenTheora(r.get(), fileName) && !OpenGraph(r.get(), fileName, mode))
        return AddLogText("ムービーファイルオープン処理時にエラーが発生しました\n");
    if (width) *width = r->width;
    if (height) *height = r->height;
    MovieHandleTable& t = Movies();
    r->stopped = 1;
    r->playRequested = 0;
    r->playType = kPlayBack;
    r->id = uint32_t(t.idCounter);
    t.idCounter = t.idCounter >= 2047 ? 0 : t.idCounter + 1;
    t.slots[slot] = r.release();
    ++t.count;
    return int((int32_t(t.slots[slot]->id) | 0x1800) << 16 | slot);
}

}  // namespace

int OpenMovie(const char* fileName, int* width, int* height, int mode) {
    return UnlessShortOfMemory("OpenMovie", fileName, -1, [&] { return OpenMovieRecord(fileName, width, height, mode); });
}

int CloseMovie(int handle) {
    MovieRecord* r = GetMovieRecord(handle);
    if (!r) return -1;
    FreeMovieRecord(r);
    Movies().slots[handle & 0xFFFF] = nullptr;
    --Movies().count;
    return 0;
}

int SetMovieFrameCallback(int handle, MovieFrameCallback callback, uint32_t value) {
    MovieRecord* r = GetMovieRecord(handle);
    if (!r) return -1;
    r->frameCallback = callback;
    r->callbackValue = value;
    return 0;
}

}  // namespace orvik
