// Movies as graphics: LoadGraphFile on a movie file (Ogg Theora, or any format the media
// graph plays: MPEG-1, MPEG-4, H.264, WMV... in their usual containers) gives a graphic
// fed by the movie; these start, pause, move and read it. Each takes the graphic's
// handle and returns 0 (or the value asked for), -1 for a graphic fed by no movie.
#pragma once
#include <cstdint>

namespace orvik {

// Plays from the current frame; playType 1 once, 3 looping. A movie's own sound track
// plays with it, and the frames follow the sound; without one they follow the clock.
int PlayMovieToGraph(int32_t graph, int playType = 1);
// Stops where it is; PlayMovieToGraph goes on from there.
int PauseMovieToGraph(int32_t graph);
// Makes frame (0 ... frame count - 1, clamped) the one shown; a movie's sound track goes
// to the frame's time with it.
int SeekMovieToGraph(int32_t graph, int frame);
// The frame shown now.
int TellMovieToGraph(int32_t graph);
// 1 while playing, 0 when paused, stopped or ended.
int GetMovieStateToGraph(int32_t graph);

// Movies opened while this is on keep their colour in the left half of each frame and
// its alpha in the right half: their graphics are half as wide, with alpha. Off at start.
int SetMovieRightHalfAlphaFlag(int flag);

}  // namespace orvik
