// Graphics fed by movies: a file that no image reader takes is opened as a movie and
// becomes a graphic of the movie's size, into which each new frame is copied just before
// the graphic is drawn.
#pragma once
#include <cstdint>

namespace orvik {

struct MovieRecord;

// The graphic for a movie file, or -1 (logged) when it is no movie or no graphic can be made.
int32_t LoadMovieGraph(const char* path, int movieOption);
// The frame callback of movie graphics: copies the movie's current frame into the graphic
// whose handle is the callback value. 0 when there was no new frame.
int MovieFrameToGraphCallback(MovieRecord* movie, uint32_t graph);
// 1 only while a movie graphic is being created.
int GetMovieGraphFlag();
// 0 when a graphic can be made for a movie of this frame size (alpha: colour in the left
// half of each frame, alpha in the right half), -1 when none can; nothing is made.
int CheckMovieGraphSize(int frameWidth, int height, int alpha);

// The display's capability record as the movie window drawing reads it: the overlay
// alignment flags and steps, and the rest of the record.
struct DisplayCaps {
    uint32_t flags;
    uint32_t alignBoundarySrc, alignSizeSrc, alignBoundaryDest, alignSizeDest;
    uint8_t rest[360];
};
static_assert(sizeof(DisplayCaps) == 380);
// Stands where the display's overlay capabilities are asked for: the record cleared, so
// no alignment applies. The same pointer.
DisplayCaps* ZeroDrawParamBlock(DisplayCaps* caps);

}  // namespace orvik
