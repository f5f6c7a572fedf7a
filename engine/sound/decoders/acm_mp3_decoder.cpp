// The decoder for MP3 files through the compression manager: ID3 tags are stepped over,
// the frames are walked and what they play counted, and the run of frames is converted
// from memory.
#include <cstring>

#include "engine/platform/base/memory.h"
#include "engine/sound/decoders/acm_convert.h"
#include "engine/sound/decoders/mp3_frame_header.h"
#include "engine/sound/decoders/mp3_frame_walk.h"
#include "engine/sound/core/sound_state.h"
#include "engine/sound/streams/stream_io.h"

namespace orvik {

namespace {

constexpr uint32_t kId3v1Bytes = 128;
constexpr uint32_t kMp3FormatBytes = sizeof(host::MPEGLAYER3WAVEFORMAT);

// The length of an ID3v2 tag at the start, footer included; 0 without one.
uint32_t Id3v2Length(const StreamDescriptor& s) {
    uint8_t h[10];
    if (!StreamReadExact(s, h, 3) || std::memcmp(h, "ID3", 3) != 0) return 0;
    if (!StreamReadExact(s, h + 3, 7)) return 0;
    // Seven bits from each byte, most significant first.
    const uint32_t size = ((uint32_t(h[6]) * 128 + h[7]) * 128 + h[8]) * 128 + h[9];
    const bool footer = h[3] == 4 && (h[5] & 0x10);
    return size + 10 + (footer ? 10 : 0);
}

bool HasId3v1(const StreamDescriptor& s, uint32_t fileSize) {
    char tag[3];
    StreamSeek(s, int64_t(fileSize) - kId3v1Bytes, 0);
    return StreamReadExact(s, tag, 3) && std::memcmp(tag, "TAG", 3) == 0;
}

int Fail(SoundConvert* c, int result = -1) {
    ReleaseAcmState(c);
    return result;
}

// The format block the MP3 codec reads: MPEGLAYER3WAVEFORMAT after the first frame.
int MakeMp3Format(SoundConvert* c, const Mp3FrameInfo& first) {
    uint32_t size = 0;
    Sound().acm.metrics(nullptr, host::ACM_METRIC_MAX_SIZE_FORMAT, &size);
    if (size < kMp3FormatBytes) size = kMp3FormatBytes;
    c->acm.sourceFormat = static_cast<uint8_t*>(TrackedCalloc(size, "", 0));
    if (!c->acm.sourceFormat) return -1;
    c->acm.sourceFormatSize = size;
    host::MPEGLAYER3WAVEFORMAT f;
    f.wfx.wFormatTag = host::WAVE_FORMAT_MPEGLAYER3;
    f.wfx.nChannels = first.channels;
    f.wfx.nSamplesPerSec = first.sampleRate;
    f.wfx.nAvgBytesPerSec = first.bitRate * 1000 / 8;
    f.wfx.nBlockAlign = 1;
    f.wfx.wBitsPerSample = 0;
    f.wfx.cbSize = host::MPEGLAYER3_WFX_EXTRA_BYTES;
    f.wID = host::MPEGLAYER3_ID_MPEG;
    f.fdwFlags = first.padding ? host::MPEGLAYER3_FLAG_PADDING_ON : host::MPEGLAYER3_FLAG_PADDING_ISO;
    f.nBlockSize = uint16_t(first.frameLength);
    f.nFramesPerBlock = 1;
    f.nCodecDelay = 700;
    std::memcpy(c->acm.sourceFormat, &f, sizeof f);
    return 0;
}

}  // namespace

int SetupMp3AcmConvert(SoundConvert* c) {
    c->acm = AcmConvertState{};
    if (!AcmAvailable()) return -1;
    const StreamDescriptor& s = c->stream;
    const uint32_t fileSize = StreamLength(s);
    StreamSeek(s, 0, 0);
    const uint32_t tagLength = Id3v2Length(s);
    if (fileSize <= kId3v1Bytes) return -1;
    const uint32_t audioEnd = fileSize - (HasId3v1(s, fileSize) ? kId3v1Bytes : 0);
    Mp3FrameWalk walk;
    if (WalkMp3Frames(s, tagLength, audioEnd, 0, &walk) != 0) return -1;
    // Frames the decoder would play nothing of make no sound.
    if (walk.totalSamples <= 0 || walk.totalSamples > INT32_MAX) return -1;
    c->acm.totalSamples = int32_t(walk.totalSamples);
    uint8_t h[4];
    Mp3FrameInfo first;
    StreamSeek(s, walk.firstFrame, 0);
    if (!StreamReadExact(s, h, 4) || ParseMp3FrameHeader(h, &first) != 0) return -1;
    if (MakeMp3Format(c, first) != 0) return Fail(c, kDecoderShortOfMemory);
    c->dataPosition = walk.firstFrame;
    c->dataSize = walk.dataEnd > walk.firstFrame ? walk.dataEnd - walk.firstFrame : 0;
    StreamSeek(s, c->dataPosition, 0);
    if (SuggestAcmOutputFormat(c) != 0) return Fail(c);
    if (const int opened = LoadAcmSourceAndOpen(c); opened != 0) return Fail(c, opened);
    SetAcmBlockSize(c, uint64_t(c->outputFormat.nAvgBytesPerSec) * 4 / 3);
    c->method = kConvertAcm;
    return 0;
}

}  // namespace orvik
