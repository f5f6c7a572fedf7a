// The movie handle table: slots, check numbers and the handle test.
#include "engine/sound/movies/movie.h"

namespace orvik {

namespace {

MovieHandleTable g_movies;

constexpr int32_t kHandleTypeMask = 0x78000000;
constexpr int32_t kIdMask = 0x7FF0000;

}  // namespace

MovieHandleTable& Movies() { return g_movies; }

void ResetMovieTable() {
    for (int slot = 0; slot < kMaxMovies; ++slot)
        if (MovieRecord* r = g_movies.slots[slot]) CloseMovie(int((int32_t(r->id) | 0x1800) << 16 | slot));
    g_movies = MovieHandleTable{};
}

MovieRecord* GetMovieRecord(int handle) {
    if (handle < 0 || (handle & kHandleTypeMask) != kMovieHandleType) return nullptr;
    const int slot = handle & 0xFFFF;
    if (slot >= kMaxMovies) return nullptr;
    MovieRecord* r = g_movies.slots[slot];
    if (!r || int32_t(r->id << 16) != (handle & kIdMask)) return nullptr;
    return r;
}

}  // namespace orvik
