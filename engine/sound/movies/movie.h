// Movies: a table of open movies behind handles. Graphics opens a movie for a file that
// is no image, registers a callback that copies each frame into the movie's graphic, and
// updates the movie before every draw of that graphic; the window procedure pauses and
// resumes every movie with the window's focus.
#pragma once
#include <cstdint>

#include "engine/graphics/images/base_image.h"
#include "host/graph/graph_types.h"

namespace orvik {

struct MovieRecord;
struct TheoraMovie;
class D_CFrameCopyRenderer;
using MovieFrameCallback = int (*)(MovieRecord* movie, uint32_t value);

constexpr int kMaxMovies = 100;
constexpr int32_t kMovieHandleType = 0x18000000;

constexpr int kMovieWindowInterfaces = 9;
constexpr int kMovieOverlaySurface = 1;  // the window interface DrawMovieToWindow positions
constexpr int kMovieFileNameUnits = 260;

// The overlay surface of a movie shown straight on the window.
class MovieOverlay : public host::IUnknown {
public:
    // DDOVER_SHOW with both rectangles, or DDOVER_HIDE with none.
    virtual host::HRESULT UpdateOverlay(const host::RECT* source, void* primary, const host::RECT* destination,
                                        uint32_t flags) = 0;
};
constexpr uint32_t DDOVER_HIDE = 0x200, DDOVER_SHOW = 0x4000;

struct MovieRecord {
    uint32_t id;
    int32_t playType;  // sound play type; bit 1 (value 2) set loops
    int32_t isTheora;
    TheoraMovie* theora;
    int64_t startTime;  // microsecond clock at which frame 0 is due (movies without sound)
    intptr_t file;
    int32_t sound;  // the sound track's handle, or -1
    host::IUnknown* windowInterfaces[kMovieWindowInterfaces];  // of the window-drawing mode
    host::IGraphBuilder* graph;
    host::IMediaControl* mediaControl;
    host::IMediaSeeking* mediaSeeking;
    host::IBasicAudio* basicAudio;
    host::IMediaEvent* mediaEvent;  // tells when the graph's streams have all ended
    D_CFrameCopyRenderer* renderer;  // inside the graph, which owns it
    host::IUnknown* spareInterfaces[2];
    int64_t duration;      // 100 ns
    int32_t tempFileMade;  // the movie was copied into the temporary file fileNameW
    char16_t fileNameW[kMovieFileNameUnits];
    int64_t stopPosition;  // 100 ns
    int32_t width, height;
    int32_t graphFlag;
    int32_t alphaMovie;  // colour in the left half of each frame, alpha in the right half
    int32_t playRequested;  // kept while the window's focus pauses the movie
    int32_t stopped;
    int32_t hasFrame;
    int32_t windowMode;  // shown straight on the window through its overlay surface
    host::IUnknown* windowEvent;
    BaseImage frameImage;  // a media-graph movie's frame: the renderer's buffer as 24-bit RGB
    BaseImage* currentImage;
    int32_t windowState[12];  // x, y, scale, visible, source and destination rectangles
    MovieFrameCallback frameCallback;
    uint32_t callbackValue;
};

struct MovieHandleTable {
    MovieRecord* slots[kMaxMovies];
    int32_t idCounter;  // 0 ... 2047
    int32_t count;
};

MovieHandleTable& Movies();
// Closes every open movie and starts the table afresh.
void ResetMovieTable();

int OpenMovie(const char* fileName, int* width, int* height, int mode);
// The most pixels a movie's frame may have, those of the largest 8K frame: the engine's
// guard against files whose few bytes claim a frame of any size, for which the decoders,
// the frame images and the graphic would take memory before any picture comes.
constexpr int64_t kMostMovieFramePixels = int64_t(8192) * 4320;
// 0 when a movie's frames of this size are within that guard and the graphic a movie
// opened now would feed can hold them, else -1 (logged). The decoders ask before they
// allocate anything for frames of that size.
int CheckMovieFrameSize(int width, int height);
int CloseMovie(int handle);
MovieRecord* GetMovieRecord(int handle);
int UpdateMovie(int handle);
int SetMovieFrameCallback(int handle, MovieFrameCallback callback, uint32_t value);
int PauseMovie(int handle, int keepRequest);
int DrawMovieToWindow(int x, int y, int scale, int handle, int visible);
// Stands where the window drawing asks for the primary surface, which is never there.
int ReturnZero();

// Inside the movie player: the media-graph half (movie_graph.cpp).
int OpenMovieDirectShow(void* directDraw, MovieRecord* r, const char* fileName, int* width, int* height, int mode);
void UpdateGraphMovie(MovieRecord* r);
// Logs `what` and why the movie's graph failed (its file refused, its run not started or
// broken off); -1.
int LogGraphFailure(MovieRecord* r, const char* what);
void CloseGraphMovie(MovieRecord* r);
// Starting and moving movies, which the engine's own operations never do by themselves.
// Plays from the current frame; playType 3 loops. SeekMovie (handle, 0) first starts over.
int PlayMovie(int handle, int playType);
// Makes frame (clamped to the movie) current, and moves the sound track to its time.
int SeekMovie(int handle, int frame);
// 1 playing, 0 not, -1 for a bad handle.
int GetMovieState(int handle);
int GetMovieFrame(int handle);

}  // namespace orvik
