// The music handle table: the play-state query and its per-round update, stop and
// delete (on the sequencer or the performance, by music mode), and the stop of the
// current music at shutdown.
#include <orvik/music.h>
#include <orvik/sound.h>

#include "engine/platform/base/mem_ops.h"
#include "engine/platform/base/memory.h"
#include "engine/platform/window/message_pump.h"
#include "engine/sound/music/music_dmusic.h"
#include "engine/sound/music/music_mci.h"
#include "engine/sound/core/sound_state.h"
#include "engine/sound/core/sound_system.h"

namespace orvik {

namespace {

constexpr int kStopPumpRounds = 5;

MusicRecord* FindMusic(int handle) { return SoundStarted() ? Sound().music.Find(handle) : nullptr; }

bool DirectMusicMode() { return Sound().musicMode == 1; }

}  // namespace

int GetMusicPlayState(int handle) {
    const MusicRecord* r = FindMusic(handle);
    if (!r) return -1;
    // One sequencer plays for every handle; each segment plays for its own.
    return DirectMusicMode() ? r->playing : Sound().mci.playing;
}

int RefreshMusicPlayState() {
    if (!SoundStarted()) return -1;
    // Only the performance is asked: with the sequencer, its end notify
    // (UpdateMidiMciPlayback) is what ends the playing.
    if (!DirectMusicMode()) return 0;
    Sound().music.ForEach([](int32_t, MusicRecord& r) {
        if (r.playing != 0) RefreshSegmentPlayState(&r);
    });
    return 0;
}

int StopMusicHandle(int handle) {
    MusicRecord* r = FindMusic(handle);
    if (!r) return -1;
    Sound().mci.loop = 0;
    if (DirectMusicMode()) {
        StopMusicSegment(r);
    } else {
        UpdateMidiMciPlayback();  // closes the device when it plays
        for (int i = 0; i < kStopPumpRounds; ++i) PumpMessagesCore();
        r = FindMusic(handle);  // the pump rounds may have deleted it
        if (!r) return 0;
    }
    RemoveMusicTempFile();
    r->playing = 0;
    r->seenPlaying = 0;
    return 0;
}

int DeleteMusicHandle(int handle) {
    MusicRecord* r = FindMusic(handle);
    if (!r) return -1;
    if (GetMusicPlayState(handle) == 1) StopMusicHandle(handle);
    r = FindMusic(handle);  // the pump rounds of the stop may have deleted it
    if (!r) return 0;
    ReleaseMusicSegment(r);
    if (r->midiData) {
        // No trace of the music is left in freed memory.
        MemFill(r->midiData, 0, r->midiSize);
        TrackedFree(r->midiData);
        r->midiData = nullptr;
    }
    Sound().music.Release(handle);
    return 0;
}

int DeleteAllMusicHandles() {
    if (!SoundStarted()) return -1;
    Sound().music.ForEach([](int32_t handle, MusicRecord&) { DeleteMusicHandle(handle); });
    return 0;
}

int StopCurrentMusic() {
    CurrentMusicState& c = Sound().currentMusic;
    if (c.handle == 0) return 0;
    if (c.isSound) {
        StopSound(c.handle);
        DeleteSound(c.handle, 0);
    } else {
        StopMusicHandle(c.handle);
        DeleteMusicHandle(c.handle);
    }
    c.handle = 0;
    return 0;
}

}  // namespace orvik
