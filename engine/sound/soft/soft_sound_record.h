// Soft sounds: software sound data (a block of PCM the program writes and reads) and
// players (a looping buffer fed from a ring of PCM, kept ahead of its play cursor by the
// refill thread or the pump), in a table of their own; and the capture file's state.
#pragma once
#include <cstdint>

#include "engine/platform/base/list.h"
#include "engine/platform/base/ring_buffer.h"
#include "engine/platform/base/handle_table.h"
#include "engine/sound/core/sound_buffer.h"
#include "host/dsound/dsound_types.h"
#include "host/win/system/file_io.h"

namespace orvik {

constexpr int32_t kSoftSoundHandleType = 0x68000000;
constexpr int32_t kMaxSoftSounds = 8192;

enum SoftSoundKind : int32_t { kSoftSoundData = 0, kSoftSoundPlayer = 1 };

struct SoftSoundPlayerPart {
    ListNode node;  // in the player list
    int32_t framesAvailable;
    RingBuffer ring;
    SoundBuffer playBuffer;
    int32_t bufferSize;
    int32_t writeOffset;
    int32_t endOffset;  // where the last real data ends; -1 none
    uint32_t lastCursor;
    int32_t endPassed;
    int32_t lead;  // bytes kept ahead of the play cursor
    int32_t active;
};

struct SoftSoundRecord {
    int32_t kind;
    host::WAVEFORMATEX format;
    uint8_t* samples;  // data: the sample block (tracked memory)
    int32_t frames;    // data: frames in the block
    SoftSoundPlayerPart player;
};

using SoftSoundTable = HandleTable<SoftSoundRecord>;

// The capture file: 16-bit stereo 44100 Hz PCM behind a 46-byte header written on close.
struct SoundCaptureState {
    int32_t active = 0;
    uint32_t framesCaptured = 0;
    int32_t full = 0;  // frames were left out: the file was as long as a header can say
    host::HFILE file = host::INVALID_FILE_HANDLE;
};

constexpr uint32_t kCaptureHeaderSize = 46;

// Deletes a record of the expected kind. 0, or -1 for an invalid handle or the other kind.
int DeleteSoftSound(int handle, int kind);
// Feeds one player ahead of its cursor. 0 (also when nothing was written), -1 when its
// buffer cannot be locked.
int ProcessSoftSoundPlayer(SoftSoundRecord* player);
// The capture header for a number of captured frames.
void MakeCaptureHeader(uint32_t frames, uint8_t (&header)[kCaptureHeaderSize]);

}  // namespace orvik
