// Playing movies: which frame is due at each update (by the sound track's position, or
// by the clock for a movie without one), pausing and resuming with the window's focus,
// and starting, seeking and reading the state of a movie.
#include <orvik/sound.h>

#include <algorithm>
#include <cmath>

#include "engine/platform/base/log.h"
#include "engine/platform/base/number.h"
#include "engine/platform/startup/timing.h"
#include "engine/sound/movies/movie.h"
#include "engine/sound/core/sound_system.h"
#include "engine/sound/streams/stream_sound.h"
#include "engine/sound/movies/theora_movie.h"

namespace orvik {

namespace {

bool Loops(const MovieRecord* r) { return (r->playType & 2) != 0; }

int64_t Now() { return int64_t(GetNowMicroseconds(1)); }

TheoraMovieInfo Info(const MovieRecord* r) {
    TheoraMovieInfo info{};
    GetTheoraMovieInfo(r->theora, &info);
    return info;
}

// The frame due now. A movie with a sound follows the sound and never runs past its last
// frame by itself; one on the clock wraps when it loops.
int32_t DueFrame(const MovieRecord* r, const TheoraMovieInfo& info) {
    const int64_t elapsed = r->sound != -1 ? int64_t(GetSoundCurrentTime(r->sound)) * 1000 : Now() - r->startTime;
    int32_t frame = DoubleToInt(double(elapsed) * info.frameRate / 1000000.0);
    if (frame < 0) frame = 0;
    if (frame >= info.frameCount) frame = r->sound == -1 && Loops(r) ? frame % info.frameCount : info.frameCount - 1;
    return frame;
}

// A sound track that stopped by itself has ended, and its position has gone back to its
// start; the movie ends on its last frame with it instead of jumping back to frame 0.
bool SoundEnded(MovieRecord* r) { return r->sound != -1 && CheckSoundPlaying(r->sound) == 0; }

void EndOnLastFrame(MovieRecord* r, const TheoraMovieInfo& info) {
    const int32_t current = GetTheoraCurrentFrame(r->theora);
    if (current < info.frameCount - 1) AdvanceTheoraFrame(r->theora, info.frameCount - 1 - current);
    r->playRequested = 0;
    r->stopped = 1;
}

void AdvanceTheora(MovieRecord* r) {
    const TheoraMovieInfo info = Info(r);
    if (SoundEnded(r)) return EndOnLastFrame(r, info);
    const int32_t due = DueFrame(r, info), current = GetTheoraCurrentFrame(r->theora);
    if (due > current)
        AdvanceTheoraFrame(r->theora, due - current);
    else if (due < current)
        AdvanceTheoraFrame(r->theora, info.frameCount - current + due);
    else if (due == info.frameCount - 1 && !Loops(r) && r->sound == -1)
        r->playRequested = 0, r->stopped = 1;
}

// The clock is set so that the current frame stays due, and the sound goes on from where
// it stopped or was moved to; a graph simply runs on. -1 (logged) when its run cannot start.
int StartPlaying(MovieRecord* r, int playType) {
    if (playType == 0) playType = kPlayBack;
    if (!r->isTheora) {
        if (r->mediaControl->Run() < 0) return LogGraphFailure(r, "the movie could not be played");
        r->stopped = 0;
        r->playType = playType;
        r->playRequested = 1;
        return 0;
    }
    const TheoraMovieInfo info = Info(r);
    const double frameTime = info.frameRate > 0 ? 1000000.0 / info.frameRate : 0.0;
    r->startTime = Now() - DoubleToInt(frameTime * GetTheoraCurrentFrame(r->theora));
    PlaySoundHandle(r->sound, playType, 0);
    r->stopped = 0;
    r->playType = playType;
    r->playRequested = 1;
    return 0;
}

// The sound track is put at the current frame's time, rounded up to the millisecond so that
// the frame the sound's position gives is that frame and not the one before.
void MoveSoundToCurrentFrame(MovieRecord* r) {
    const TheoraMovieInfo info = Info(r);
    const double ms = info.frameRate > 0 ? 1000.0 * GetTheoraCurrentFrame(r->theora) / info.frameRate : 0.0;
    SetStreamSoundCurrentTime(r->sound, int(std::ceil(ms)));
}

// A graph's frames are its stream time in pictures; the last one starts before its end.
bool LastGraphFrame(MovieRecord* r, int64_t* last) {
    return r->mediaSeeking->ConvertTimeFormat(last, host::TimeFormat::Frame, r->duration - 1,
                                              host::TimeFormat::MediaTime) >= 0;
}

int SeekGraphMovie(MovieRecord* r, int frame) {
    if (!r->mediaSeeking) return 0;
    int64_t last = 0, time = 0;
    if (!LastGraphFrame(r, &last) ||
        r->mediaSeeking->ConvertTimeFormat(&time, host::TimeFormat::MediaTime, std::clamp<int64_t>(frame, 0, last),
                                           host::TimeFormat::Frame) < 0)
        return 0;
    host::REFERENCE_TIME stop = 0;
    if (r->mediaSeeking->SetPositions(&time, host::AM_SEEKING_AbsolutePositioning, &stop,
                                      host::AM_SEEKING_NoPositioning) < 0)
        return LogGraphFailure(r, "the movie could not be moved");
    // A stopped graph is cued, so that it shows the frame it was moved to.
    if (r->stopped && r->mediaControl && r->mediaControl->Pause() < 0)
        return LogGraphFailure(r, "the movie could not be moved");
    return 0;
}

// At the end the position is the end itself, where no frame starts: the last frame is
// still the one shown.
int GraphMovieFrame(MovieRecord* r) {
    host::REFERENCE_TIME position = 0;
    int64_t frame = 0, last = 0;
    if (!r->mediaSeeking || r->mediaSeeking->GetCurrentPosition(&position) < 0 ||
        r->mediaSeeking->ConvertTimeFormat(&frame, host::TimeFormat::Frame, position, host::TimeFormat::MediaTime) < 0 ||
        !LastGraphFrame(r, &last))
        return 0;
    return int(std::clamp<int64_t>(frame, 0, last));
}

template <class Work>
void ForEachMovie(Work work) {
    for (int slot = 0; slot < kMaxMovies; ++slot)
        if (MovieRecord* r = Movies().slots[slot]) work(int((int32_t(r->id) | 0x1800) << 16 | slot), r);
}

}  // namespace

int UpdateMovie(int handle) {
    MovieRecord* r = GetMovieRecord(handle);
    if (!r) return -1;
    if (!r->isTheora) {
        UpdateGraphMovie(r);
        return 0;
    }
    if (!r->stopped) AdvanceTheora(r);
    if (r->frameCallback) {
        r->frameCallback(r, r->callbackValue);
        r->hasFrame = 1;
    }
    return 0;
}

int PauseMovie(int handle, int keepRequest) {
    MovieRecord* r = GetMovieRecord(handle);
    if (!r) return -1;
    if (r->stopped) return 0;
    // The last frame due is taken while the sound still plays, so that its stop is not
    // mistaken for its end.
    if (r->isTheora) {
        UpdateMovie(handle);
        StopSound(r->sound);
    } else if (r->mediaControl) {
        r->mediaControl->Pause();
    } else {
        return 0;
    }
    r->stopped = 1;
    if (!keepRequest) r->playRequested = 0;
    return 0;
}

int PauseAllMovies() {
    ForEachMovie([](int handle, MovieRecord*) { PauseMovie(handle, 1); });
    return 0;
}

int ResumeAllMovies() {
    ForEachMovie([](int, MovieRecord* r) {
        if (r->stopped && r->playRequested && (r->isTheora || r->mediaControl)) StartPlaying(r, r->playType);
    });
    return 0;
}

int PlayMovie(int handle, int playType) {
    MovieRecord* r = GetMovieRecord(handle);
    if (!r) return -1;
    if (r->stopped && (r->isTheora || r->mediaControl)) return StartPlaying(r, playType);
    return 0;
}

int SeekMovie(int handle, int frame) {
    MovieRecord* r = GetMovieRecord(handle);
    if (!r) return -1;
    if (!r->isTheora) return SeekGraphMovie(r, frame);
    SeekTheoraFrame(r->theora, frame);
    if (!r->stopped) StopSound(r->sound);
    if (r->sound != -1) MoveSoundToCurrentFrame(r);
    if (!r->stopped) StartPlaying(r, r->playType);
    return 0;
}

int GetMovieState(int handle) {
    const MovieRecord* r = GetMovieRecord(handle);
    if (!r) return -1;
    return r->stopped ? 0 : 1;
}

int GetMovieFrame(int handle) {
    MovieRecord* r = GetMovieRecord(handle);
    if (!r) return -1;
    return r->isTheora ? GetTheoraCurrentFrame(r->theora) : GraphMovieFrame(r);
}

}  // namespace orvik
