// Making music handles from MIDI images and playing them, and the current background
// music, which may also be any sound file.
#include <orvik/music.h>
#include <orvik/sound.h>

#include <cstring>

#include "engine/platform/base/log.h"
#include "engine/platform/base/memory.h"
#include "engine/sound/music/music_dmusic.h"
#include "engine/sound/music/music_mci.h"
#include "engine/sound/core/sound_load.h"
#include "engine/sound/core/sound_play.h"
#include "engine/sound/core/sound_state.h"

namespace orvik {

namespace {

bool IsMidiImage(const void* image, int32_t size) { return size >= 4 && std::memcmp(image, "MThd", 4) == 0; }

}  // namespace

int LoadMusicFromImage(const void* image, int32_t size) {
    if (!SoundStarted()) return -1;
    if (!image || !IsMidiImage(image, size)) {
        AddLogText("LoadMusicFromImage: not a MIDI file image\n");
        return -1;
    }
    auto* copy = static_cast<uint8_t*>(ORVIK_TRACKED_ALLOC(size_t(size)));
    MusicRecord* r = nullptr;
    const int handle = copy ? Sound().music.Add(&r) : -1;
    if (handle == -1) {
        TrackedFree(copy);
        AddLogText("LoadMusicFromImage: no room for another music handle\n");
        return -1;
    }
    std::memcpy(copy, image, size_t(size));
    r->midiData = copy;
    r->midiSize = uint32_t(size);
    // DirectMusic reads the music now: a damaged image is refused here, not at its play.
    if (Sound().musicMode == 1 && MakeMusicSegment(r) != 0) {
        DeleteMusicHandle(handle);
        return -1;
    }
    return handle;
}

int LoadMusic(const char* fileName) {
    if (!SoundStarted()) return -1;
    uint8_t* image = nullptr;
    int32_t size = 0;
    if (!fileName || LoadFileToMemory(fileName, &image, &size) != 0) {
        AddLogFormat("LoadMusic: cannot read %s", fileName ? fileName : "(null)");
        return -1;
    }
    const int handle = LoadMusicFromImage(image, size);
    TrackedFree(image);
    return handle;
}

int PlayMusicHandle(int handle, int playType) {
    if (!SoundStarted()) return -1;
    MusicRecord* r = Sound().music.Find(handle);
    if (!r || (playType != kPlayWait && playType != kPlayBack && playType != kPlayLoop)) return -1;
    const bool loop = playType == kPlayLoop;
    if (Sound().musicMode == 1) {
        if (PlayMusicSegment(r, loop) != 0) return -1;
    } else {
        if (PlayMidiOnMci(r->midiData, r->midiSize, loop) != 0) return -1;
        r->playing = 1;
    }
    if (playType == kPlayWait) WaitWhilePlaying(handle, &GetMusicPlayState);
    return 0;
}

int PlayMusic(const char* fileName, int playType) {
    if (!SoundStarted() || !fileName) return -1;
    StopCurrentMusic();
    uint8_t* image = nullptr;
    int32_t size = 0;
    if (LoadFileToMemory(fileName, &image, &size) != 0) {
        AddLogFormat("PlayMusic: cannot read %s", fileName);
        return -1;
    }
    // MIDI goes to the sequencer; any other sound file will do as background music too.
    const bool midi = IsMidiImage(image, size);
    const int handle = midi ? LoadMusicFromImage(image, size) : LoadSoundFromImage(image, size, 1, -1);
    TrackedFree(image);
    if (handle == -1) return -1;
    Sound().currentMusic = CurrentMusicState{handle, midi ? 0 : 1};
    return midi ? PlayMusicHandle(handle, playType) : PlaySoundHandle(handle, playType, 1);
}

int CheckMusic() {
    const CurrentMusicState& c = Sound().currentMusic;
    if (!SoundStarted() || c.handle == 0) return 0;
    return (c.isSound ? CheckSoundPlaying(c.handle) : GetMusicPlayState(c.handle)) == 1 ? 1 : 0;
}

}  // namespace orvik
