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

}  // namespace orvik
