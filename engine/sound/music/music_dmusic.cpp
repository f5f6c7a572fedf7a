// Music handles in DirectMusic mode: each holds a segment made by the loader from its
// MIDI image, downloaded to the performance and played there.
#include "engine/sound/music/music_dmusic.h"

#include "engine/platform/base/log.h"
#include "engine/sound/core/sound_state.h"

namespace orvik {

int MakeMusicSegment(MusicRecord* r) {
    SoundSystemState& s = Sound();
    host::DMUS_OBJECTDESC desc;
    desc.dwValidData = host::DMUS_OBJ_CLASS | host::DMUS_OBJ_MEMORY;
    desc.guidClass = host::CLSID_DirectMusicSegment;
    desc.pbMemData = r->midiData;
    desc.llMemLength = r->midiSize;
    void* object = nullptr;
    const host::HRESULT hr = s.musicLoader->GetObject(&desc, host::IID_IDirectMusicSegment8, &object);
    if (hr < 0 || !object) {
        AddLogFormat("MIDI: DirectMusic could not make a segment of the music (error %x)", unsigned(hr));
        return -1;
    }
    r->segment = static_cast<host::IDirectMusicSegment8*>(object);
    // Its instruments go to the synthesiser now, so that a play starts at once.
    r->segment->Download(s.performance);
    return 0;
}

int PlayMusicSegment(MusicRecord* r, bool loop) {
    if (!r->segment) return -1;
    r->segment->SetRepeats(loop ? host::DMUS_SEG_REPEAT_INFINITE : 0);
    if (Sound().performance->PlaySegmentEx(r->segment, 0, 0, nullptr) < 0) return -1;
    r->playing = 1;
    r->seenPlaying = 0;
    return 0;
}

void StopMusicSegment(MusicRecord* r) {
    // Without a segment there is nothing of this handle's to stop (a null object would
    // stop every segment).
    if (r->segment) Sound().performance->StopEx(r->segment, 0, 0);
}

void ReleaseMusicSegment(MusicRecord* r) {
    if (!r->segment) return;
    SoundSystemState& s = Sound();
    r->segment->Unload(s.performance);
    s.musicLoader->ReleaseObjectByUnknown(r->segment);
    r->segment->Release();
    r->segment = nullptr;
}

void RefreshSegmentPlayState(MusicRecord* r) {
    // Only S_FALSE means stopped: a failing call counts as playing.
    const int32_t count = Sound().performance->IsPlaying(r->segment, nullptr) == host::S_FALSE ? 0 : 1;
    if (r->seenPlaying == 0) {
        if (count == 1) r->seenPlaying = 1;
    } else {
        r->playing = count;
    }
}

}  // namespace orvik
