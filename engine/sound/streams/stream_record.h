// The stream part of a sound record: up to three sources decoded one after the other
// into one looping play buffer of one second, with the cursor bookkeeping that tells how
// far ahead the writer is and where in the sound the player is.
#pragma once
#include <cstdint>

#include "engine/sound/decoders/sound_convert.h"

namespace orvik {

// The loaders use three; the record keeps room for a fourth as stored files expect.
constexpr int32_t kStreamSourceSlots = 4;
constexpr int32_t kMaxStreamSources = 3;
// The write offset of a stream prepared but not yet filled.
constexpr int32_t kStreamNotWritten = -800;

enum StreamDataKind : int32_t {
    kStreamDecodedPcm = 0,    // decoded whole when added, streamed from a WAVE image of the PCM
    kStreamFileImage = 2,     // the compressed file held in memory, decoded while streaming
    kStreamCallerStream = 3,  // decoded straight from the caller's stream, which stays open
};

struct StreamSource {
    int8_t loopCount;  // -1 repeat without end; 0 ... 127 repeats; other negatives: none
    int32_t dataKind;
    uint8_t* image;  // kinds 0 and 2: owned copy (tracked memory)
    uint32_t imageSize;
    StreamDescriptor imageStream;  // over the image; zero for kind 3
    int32_t loopStart;             // sample frame where an endless repeat restarts
    int32_t loopEnd;               // sample frame where decoding stops, -1 none
    SoundConvert convert;
};

struct StreamPart {
    int32_t playType;  // of the last play; bit 1 = looping
    int32_t sharedBufferHandle;
    int32_t sharerCount;
    int32_t bufferUser;
    int32_t deleteDeferred;
    uint32_t bufferSize;
    int32_t writeOffset;
    int32_t writeGuard;
    StreamSource sources[kStreamSourceSlots];
    uint8_t sourceOwnsStream[kStreamSourceSlots];
    int32_t sourceCount;
    int32_t currentSource;
    int32_t loopCounter;
    int32_t readPosition;  // PCM bytes decoded from the current source
    uint32_t totalSamples;
    uint32_t playPosition;  // PCM bytes played
    uint32_t lastPlayCursor;
    uint8_t started;
    uint8_t endWritten;
    uint8_t jumpPending;
    uint8_t passedLastSource;
    int32_t jumpTarget;
    uint32_t endOffset;
    uint32_t cursorAtEnd;
    uint32_t jumpOffset;
};

// Back to the top of the first source, not started: the next prepare fills anew.
inline void RewindStreamPlayback(StreamPart& s) {
    s.readPosition = 0;
    s.playPosition = 0;
    s.jumpPending = 0;
    s.loopCounter = 0;
    s.currentSource = 0;
    s.started = 0;
}

// Whether a cursor that moved on from `last` to `cursor` went past `mark` (round the
// buffer's end when `cursor` is below `last`). A cursor that has not moved passed nothing.
inline bool CursorPassed(uint32_t last, uint32_t cursor, uint32_t mark) {
    if (last == cursor) return false;
    if (last < cursor) return mark > last && mark <= cursor;
    return mark > last || mark <= cursor;
}

// The sizes that pace a stream, from its format (a = average bytes per second, b = block
// align), in whole frames.
struct StreamQuantities {
    uint32_t buffer;  // one second
    uint32_t step;    // an eighth of a second: what one refill writes
    uint32_t first;   // three quarters of a second: the first fill
    uint32_t guard;   // three quarters of a second rounded up: how far the writer may lead
};

inline StreamQuantities StreamQuantitiesOf(const host::WAVEFORMATEX& f) {
    const uint32_t a = f.nAvgBytesPerSec;
    const uint32_t b = f.nBlockAlign ? f.nBlockAlign : 1;
    const uint32_t threeQuarters = (uint32_t(a * 3) << 6) >> 8;
    return {((a & 0xFFFFFF) + b - 1) / b * b, ((a >> 3) / b) * b, threeQuarters / b * b,
            (threeQuarters + b - 1) / b * b};
}

}  // namespace orvik
