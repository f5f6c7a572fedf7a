#include "engine/sound/decoders/mp3_frame_walk.h"

#include "engine/sound/decoders/mp3_frame_header.h"
#include "engine/sound/streams/stream_io.h"
#include "host/acm/pcm_format_convert.h"

namespace orvik {

namespace {

// Reads up to the next frame sync (0xFF and a byte with its high four bits set); false
// when the stream ends first.
bool FindSync(const StreamDescriptor& s, uint8_t header[2]) {
    for (;;) {
        if (!StreamReadExact(s, header, 1)) return false;
        if (header[0] != 0xFF) continue;
        if (!StreamReadExact(s, header + 1, 1)) return false;
        if ((header[1] & 0xF0) == 0xF0) return true;
    }
}

// Frames of one rate and channel count in a row: the decoder converts each such run to
// the first frame's rate on its own.
struct Run {
    uint32_t rate = 0;
    uint8_t channels = 0;
    uint64_t samples = 0;
};

int64_t RunSamples(const Run& run, uint32_t firstRate) {
    return int64_t(host::ConvertedFrameCount(run.samples, run.rate, firstRate));
}

}  // namespace

int WalkMp3Frames(const StreamDescriptor& s, uint32_t from, uint32_t audioEnd, Mp3FrameWalk* w) {
    StreamSeek(s, from, 0);
    Run run;
    uint32_t firstRate = 0;
    uint8_t h[4];
    while (FindSync(s, h)) {
        if (!StreamReadExact(s, h + 2, 2)) break;
        Mp3FrameInfo info;
        if (ParseMp3FrameHeader(h, &info) != 0 || info.frameLength == 0) return -1;
        const uint32_t position = uint32_t(StreamTell(s)) - 4;
        if (!w->found) {
            w->firstFrame = position;
            firstRate = info.sampleRate;
        }
        w->found = true;
        if (info.sampleRate != run.rate || info.channels != run.channels) {
            w->totalSamples += RunSamples(run, firstRate);
            run = {info.sampleRate, info.channels, 0};
        }
        run.samples += info.samplesPerFrame;
        const uint64_t next = uint64_t(position) + info.frameLength;
        w->dataEnd = uint32_t(next < audioEnd ? next : audioEnd);
        if (next >= audioEnd) break;
        StreamSeek(s, int64_t(info.frameLength) - 4, 1);
    }
    w->totalSamples += RunSamples(run, firstRate);
    return w->found ? 0 : -1;
}

}  // namespace orvik
