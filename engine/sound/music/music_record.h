// Music handles: MIDI images played through the MCI sequencer (music mode 0), where one
// sequencer device and one temporary MIDI file serve the whole program, or through the
// DirectMusic performance (mode 1), where each handle holds its own segment.
#pragma once
#include <cstdint>

#include "engine/platform/base/handle_table.h"

namespace host {
class IDirectMusicSegment8;
}

namespace orvik {

constexpr int32_t kMusicHandleType = 0x40000000;
constexpr int32_t kMaxMusicHandles = 256;
constexpr int32_t kMaxPathBytes = 260;

struct MusicRecord {
    int32_t playing;      // 1 from a play request until the music is known to have ended
    int32_t seenPlaying;  // DirectMusic: 1 once the performance has reported the segment playing
    uint8_t* midiData;    // the MIDI file image (tracked memory)
    uint32_t midiSize;
    host::IDirectMusicSegment8* segment;  // DirectMusic: the loaded segment, or null
};

using MusicTable = HandleTable<MusicRecord>;

struct MidiMciState {
    uint32_t deviceId;
    int32_t loop;     // 1: play again from the start when the sequencer reports the end
    int32_t playing;  // the device is open and playing
    char tempPath[kMaxPathBytes];
    int32_t tempPresent;  // the temporary file exists and must be deleted
};

// The background music that shutdown stops: a music handle or a sound handle.
struct CurrentMusicState {
    int32_t handle;  // 0 none
    int32_t isSound;
};

}  // namespace orvik
