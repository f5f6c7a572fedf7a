// The movie controls of graphics: each finds the movie that feeds a graphic.
#include <orvik/movie.h>

#include "engine/graphics/handles/graph_handles.h"
#include "engine/sound/movies/movie.h"

namespace orvik {

namespace {

int MovieOf(int32_t graph) {
    const GraphRecord* r = GetGraphRecord(graph);
    return r ? r->movie : -1;
}

}  // namespace

int PlayMovieToGraph(int32_t graph, int playType) { return PlayMovie(MovieOf(graph), playType); }
int PauseMovieToGraph(int32_t graph) { return PauseMovie(MovieOf(graph), 0); }
int SeekMovieToGraph(int32_t graph, int frame) { return SeekMovie(MovieOf(graph), frame); }
int TellMovieToGraph(int32_t graph) { return GetMovieFrame(MovieOf(graph)); }
int GetMovieStateToGraph(int32_t graph) { return GetMovieState(MovieOf(graph)); }

}  // namespace orvik
