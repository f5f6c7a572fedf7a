// Movies: a table of open movies behind handles. Graphics opens a movie for a file that
// is no image, registers a callback that copies each frame into the movie's graphic, and
// updates the movie before every draw of that graphic; the window procedure pauses and
// resumes every movie with the window's focus.
#pragma once
#include <cstdint>

namespace orvik {

struct BaseImage;
struct MovieRecord;
struct TheoraMovie;
using MovieFrameCallback = int (*)(MovieRecord* movie, uint32_t value);

constexpr int kMaxMovies = 100;
constexpr int32_t kMovieHandleType = 0x18000000;

struct MovieRecord {
    uint32_t id;
    int32_t playType;  // sound play type; bit 1 (value 2) set loops
    int32_t isTheora;
    TheoraMovie* theora;
    int64_t startTime;  // microsecond clock at which frame 0 is due (movies without sound)
    intptr_t file;
    int32_t sound;  // the sound track's handle, or -1
    int32_t soundFromTop;  // the next play starts the sound track from its top
    int32_t width, height;
    int32_t playRequested;  // kept while the window's focus pauses the movie
    int32_t stopped;
    int32_t hasFrame;
    BaseImage* currentImage;
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
int CloseMovie(int handle);
MovieRecord* GetMovieRecord(int handle);
int UpdateMovie(int handle);
int SetMovieFrameCallback(int handle, MovieFrameCallback callback, uint32_t value);
int PauseMovie(int handle, int keepRequest);
int DrawMovieToWindow(int x, int y, int scale, int handle, int visible);

// Starting and moving movies, which the engine's own operations never do by themselves.
// Plays from the current frame; playType 3 loops. SeekMovie (handle, 0) first starts over.
int PlayMovie(int handle, int playType);
// Makes frame (clamped to the movie) current; a movie with a sound track seeks only to 0.
int SeekMovie(int handle, int frame);
// 1 playing, 0 not, -1 for a bad handle.
int GetMovieState(int handle);
int GetMovieFrame(int handle);

}  // namespace orvik
